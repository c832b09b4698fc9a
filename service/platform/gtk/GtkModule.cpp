// The entry of the GTK desktop module, which wendlock loads with GModule on
// the first need of a window or a selection. The module's other symbols
// come from the program that loads it.
#include <string_view>

#include "service/platform/gtk/GtkDesktop.h"

extern "C" __attribute__((visibility("default"))) wendlock::Desktop* wendlock_open_desktop() {
  return wendlock::openGtkDesktop();
}

// The program finds the entry by this name; both sides must agree.
static_assert(std::string_view(wendlock::kDesktopEntrySymbol) == "wendlock_open_desktop");
