// GTK on the process's display: opened once, on the run loop's context, by
// whichever desktop part needs it first (the front end, the selections).
#pragma once

namespace wendlock {

// True when a display (X11 or Wayland) is there and GTK is ready on it.
// The first call opens it; later calls answer the same.
[[nodiscard]] bool ensureGtkDisplay();

// True when the environment names a display at all (DISPLAY or
// WAYLAND_DISPLAY), without opening it.
[[nodiscard]] bool environmentHasDisplay();

}  // namespace wendlock
