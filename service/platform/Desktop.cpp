#include "service/platform/Desktop.h"

#include <gmodule.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "service/platform/Bundle.h"
#include "service/platform/DisplayProbe.h"

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

// Where the module is: $WENDLOCK_MODULE_DIR when set (tests), else the
// installed library folder relative to the program, else beside the program
// (a build tree).
std::filesystem::path modulePath() {
  const std::filesystem::path file = WENDLOCK_DESKTOP_MODULE;
  if (const char* forced = std::getenv("WENDLOCK_MODULE_DIR"); forced != nullptr && *forced) {
    return std::filesystem::path(forced) / file;
  }
  const std::filesystem::path program = programDirectory();
  const std::filesystem::path installed = program / WENDLOCK_MODULE_RELATIVE_DIR / file;
  std::error_code error;
  if (std::filesystem::is_regular_file(installed, error)) return installed.lexically_normal();
  return program / file;
}

bool loadModule(std::string* why) {
  if (std::string_view(WENDLOCK_DESKTOP_MODULE).empty()) {
    *why = "this wendlock was built without the desktop (GTK)";
    return false;
  }
  const std::string path = modulePath().string();
  // Every symbol is bound now, so a module that does not fit this program
  // fails here and not in the middle of a dialog.
  GModule* module = g_module_open(path.c_str(), G_MODULE_BIND_LOCAL);
  if (module == nullptr) {
    *why = std::string("cannot load the desktop module: ") + g_module_error();
    return false;
  }
  gpointer symbol = nullptr;
  if (!g_module_symbol(module, kDesktopEntrySymbol, &symbol) || symbol == nullptr) {
    *why = path + " is not a desktop module";
    g_module_close(module);
    return false;
  }
  // Its code stays in use until the process ends.
  g_module_make_resident(module);
  state().entry = reinterpret_cast<DesktopEntry>(symbol);
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
