#include "service/platform/gtk/GtkDisplay.h"

#include <gtk/gtk.h>

#include "service/platform/DisplayProbe.h"

namespace wendlock {

bool ensureGtkDisplay() {
  static const bool ready = environmentHasDisplay() && gtk_init_check(nullptr, nullptr);
  return ready;
}

}  // namespace wendlock
