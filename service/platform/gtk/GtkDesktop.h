// The desktop on GTK 3: its front end, its selections as pasteboards, and
// the active window's application.
#pragma once

#include "service/platform/Desktop.h"

namespace wendlock {

// The process's GTK desktop once GTK has opened the display
// (ensureGtkDisplay()), else nullptr. A DesktopEntry: the module exports it,
// and a program that links GTK in may hand it to setDesktopEntry.
//   setDesktopEntry(openGtkDesktop);
[[nodiscard]] Desktop* openGtkDesktop();

}  // namespace wendlock
