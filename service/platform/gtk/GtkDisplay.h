// GTK on the process's display: opened once, on the run loop's context, by
// whichever desktop part needs it first (the front end, the selections).
#pragma once

namespace wendlock {

// True when a display (X11 or Wayland) is named and GTK is ready on it.
// The first call opens it; later calls answer the same. The caller has
// made sure the display answers (probeDisplays), since GTK would wait for
// a silent one without end.
[[nodiscard]] bool ensureGtkDisplay();

}  // namespace wendlock
