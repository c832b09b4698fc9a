// Which application is in front, as the window manager tells it on X11.
#pragma once

#include "chars/String.h"

namespace wendlock {

// The name of the application whose window is active: the class part of the
// WM_CLASS of the root window's _NET_ACTIVE_WINDOW, else that window's
// _NET_WM_NAME. nil without an X11 display, without a window manager that
// sets _NET_ACTIVE_WINDOW (Wayland, none running), or when the window has
// neither property.
//   activeWindowApplicationName()  // u"Thunderbird" while its window is active
[[nodiscard]] orvin::String activeWindowApplicationName();

}  // namespace wendlock
