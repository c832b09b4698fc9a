// The desktop: windows, the display's selections and the window manager's
// idea of the frontmost application. Its backend (GTK) is a module of its
// own, loaded on the first need and only when a display answers, so that a
// run in a terminal or a script never pays for loading the toolkit.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "chars/String.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock {

class FrontEnd;

enum class DesktopSelection { Primary, Clipboard };

// The most bytes of text a request takes from any source (a file, standard
// input, a selection): more than one push carries, and a bound on reading.
inline constexpr std::size_t kMostSourceBytes = 16u << 20;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The front end with windows on this display.
  [[nodiscard]] virtual std::unique_ptr<FrontEnd> makeFrontEnd() = 0;
  // The process's pasteboard over a selection, the same one on every call;
  // nullptr when the display refuses it.
  [[nodiscard]] virtual std::shared_ptr<orvin::Pasteboard> selection(DesktopSelection which) = 0;
  // Hands what this process offers on the clipboard to the desktop's
  // clipboard manager, so that it outlives the process.
  virtual void storeSelections() = 0;
  // The frontmost application's name as the window manager tells it; nil
  // when it does not.
  [[nodiscard]] virtual orvin::String activeApplicationName() = 0;
};

// What a backend offers: its desktop on the process's display, opened on
// the first call (the display has answered by then); nullptr when the
// toolkit cannot open it.
using DesktopEntry = Desktop* (*)();

// The name under which the GTK module exports its DesktopEntry.
inline constexpr const char* kDesktopEntrySymbol = "wendlock_open_desktop";

// The desktop, opened on the first call: the environment names a display,
// it answers within kDisplayAnswerSeconds, the backend loads and opens it.
// nullptr otherwise, with the reason in *why ("no display", ...); later
// calls answer the same without trying again.
//   if (Desktop* d = desktop()) d->selection(DesktopSelection::Primary);
[[nodiscard]] Desktop* desktop(std::string* why = nullptr);

// The desktop if desktop() has opened it already; never opens one.
[[nodiscard]] Desktop* openedDesktop();

// Loads the backend without opening a display, so that a request for
// windows can tell a missing backend from a missing display. False with
// the reason in *why.
[[nodiscard]] bool desktopBackendLoads(std::string* why = nullptr);

// Whether this run may use the desktop at all (true unless set): with
// false, desktop() answers nullptr and nothing reaches the display.
void setDesktopAllowed(bool allowed);

// Makes `entry` the backend instead of the module (a build that links the
// backend in, or a test); nullptr goes back to the module. Forgets an
// earlier answer of desktop().
void setDesktopEntry(DesktopEntry entry);

}  // namespace wendlock
