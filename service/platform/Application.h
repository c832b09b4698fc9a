// The application object and the modal panels, in the shape the service
// code calls them: sharedApplication, activateIgnoringOtherApps, terminate,
// NSRunCriticalAlertPanel, NSRunInformationalAlertPanel, NSBeep.
#pragma once

#include <functional>

#include "chars/String.h"

namespace wendlock {

// Alert answers, numbered as the platform numbers them.
inline constexpr int NSAlertDefaultReturn = 1;
inline constexpr int NSAlertAlternateReturn = 0;

// Exit statuses of the process (documented in --help and the man page).
inline constexpr int kExitDelivered = 0;  // a file was delivered, or nothing asked for an alert
inline constexpr int kExitAlerted = 1;    // a critical alert was shown

namespace testhooks {
void resetCriticalAlert();
}  // namespace testhooks

class NSApplication {
 public:
  static NSApplication& sharedApplication();

  // Brings the front end's windows to the front.
  void activateIgnoringOtherApps(bool flag);
  // Ends the process: exit status 0, or 1 once a critical alert was shown.
  // Nothing after it is relied on; a test hook may make it return.
  void terminate(const void* sender);

  [[nodiscard]] bool hasShownCriticalAlert() const noexcept { return criticalAlertShown_; }
  void noteCriticalAlert() noexcept { criticalAlertShown_ = true; }

 private:
  friend void testhooks::resetCriticalAlert();
  bool criticalAlertShown_ = false;
};

// Modal alert with the default button only; `messageFormat` is a format.
int NSRunCriticalAlertPanel(const orvin::String& title, const orvin::String& messageFormat);
// Modal alert with two buttons: NSAlertDefaultReturn or NSAlertAlternateReturn.
int NSRunInformationalAlertPanel(const orvin::String& title, const orvin::String& messageFormat,
                                 const orvin::String& defaultButton,
                                 const orvin::String& alternateButton,
                                 const orvin::String& otherButton);
void NSBeep();

namespace testhooks {
// Replaces process exit in terminate (the handler gets the exit status).
void setTerminateHandler(std::function<void(int status)> handler);
// Forgets that a critical alert was shown, so the next terminate reports 0.
void resetCriticalAlert();
}  // namespace testhooks

}  // namespace wendlock
