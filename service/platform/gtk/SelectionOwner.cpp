#include "service/platform/gtk/SelectionOwner.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace wendlock {

unsigned long selectionOwner(GdkAtom selection) {
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (display != nullptr && GDK_IS_X11_DISPLAY(display)) {
    return XGetSelectionOwner(gdk_x11_display_get_xdisplay(display),
                              gdk_x11_atom_to_xatom_for_display(display, selection));
  }
#endif
  (void)selection;
  return 0;
}

}  // namespace wendlock
