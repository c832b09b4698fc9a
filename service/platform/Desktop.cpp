#include "service/platform/Desktop.h"

#include <glib.h>

#include <string_view>

#include "service/platform/DisplayProbe.h"
#include "service/platform/Module.h"

namespace wendlock {
namespace {

struct State {
  bool allowed = true;
  DesktopEntry entry = nullptr;
  bool moduleTried = false;
  std::string moduleWhy;
  bool openTried = false;
  Desktop* opened = nullptr;
  std::string why;
};

State& state() {
  static State s;
  return s;
}

bool loadModule(std::string* why) {
  if (std::string_view(WENDLOCK_DESKTOP_MODULE).empty()) {
    *why = "this wendlock was built without the desktop (GTK)";
    return false;
  }
  std::string reason;
  void* entry = moduleSymbol(WENDLOCK_DESKTOP_MODULE, kDesktopEntrySymbol, &reason);
  if (entry == nullptr) {
    *why = "cannot load the desktop module: " + reason;
    return false;
  }
  state().entry = reinterpret_cast<DesktopEntry>(entry);
  return true;
}

bool loadEntry(std::string* why) {
  State& s = state();
  if (s.entry != nullptr) return true;
  if (!s.moduleTried) {
    s.moduleTried = true;
    loadModule(&s.moduleWhy);
  }
  *why = s.moduleWhy;
  return s.entry != nullptr;
}

// The toolkit tries Wayland before X11; when only one of them answered, it
// must not try the other, which may be the silent one.
void chooseToolkitBackend(const DisplayAnswers& answers) {
  if (g_getenv("GDK_BACKEND") != nullptr || (answers.wayland && answers.x11)) return;
  g_setenv("GDK_BACKEND", answers.wayland ? "wayland" : "x11", TRUE);
}

Desktop* open(std::string* why) {
  if (!environmentHasDisplay()) {
    *why = "no display";
    return nullptr;
  }
  const DisplayAnswers answers = probeDisplays();
  if (!answers.any()) {
    *why = "the display does not answer";
    return nullptr;
  }
  if (!loadEntry(why)) return nullptr;
  chooseToolkitBackend(answers);
  Desktop* opened = state().entry();
  if (opened == nullptr) *why = "the display cannot be opened";
  return opened;
}

}  // namespace

Desktop* desktop(std::string* why) {
  State& s = state();
  if (!s.allowed) {
    if (why != nullptr) *why = "the desktop is not used in this run";
    return nullptr;
  }
  if (!s.openTried) {
    s.openTried = true;
    s.opened = open(&s.why);
  }
  if (why != nullptr) *why = s.why;
  return s.opened;
}

Desktop* openedDesktop() {
  return state().opened;
}

bool desktopBackendLoads(std::string* why) {
  std::string reason;
  const bool loads = loadEntry(&reason);
  if (why != nullptr) *why = reason;
  return loads;
}

void setDesktopAllowed(bool allowed) {
  state().allowed = allowed;
}

void setDesktopEntry(DesktopEntry entry) {
  State& s = state();
  s.entry = entry;
  s.moduleTried = entry != nullptr;
  s.moduleWhy.clear();
  s.openTried = false;
  s.opened = nullptr;
  s.why.clear();
}

}  // namespace wendlock
