#include "service/platform/gtk/GtkDisplay.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <initializer_list>

namespace wendlock {

bool environmentHasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

bool ensureGtkDisplay() {
  static const bool ready = environmentHasDisplay() && gtk_init_check(nullptr, nullptr);
  return ready;
}

}  // namespace wendlock
