// A notification through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), for what the user
// should hear of after every window has closed.
#pragma once

#include <string>

namespace wendlock {

// Shows `summary` as a notification from Wendlock, waiting at most
// kNotifyTimeoutMilliseconds for the bus and as long again for the service.
// False, with nothing shown, when there is no session bus or no service.
//   sendDesktopNotification("Sent to Pixel 7");
bool sendDesktopNotification(const std::string& summary);

inline constexpr int kNotifyTimeoutMilliseconds = 2000;

}  // namespace wendlock
