// Who owns a selection, as the X server says it now. Apart from the
// pasteboard, so that Xlib's macros (None, Status ...) stay out of it.
#pragma once

#include <gdk/gdk.h>

namespace wendlock {

// The window that owns `selection` now; 0 for none, and where the display
// does not say (not X11).
//   if (selectionOwner(GDK_SELECTION_PRIMARY) != before) ...  // changed or gone
[[nodiscard]] unsigned long selectionOwner(GdkAtom selection);

}  // namespace wendlock
