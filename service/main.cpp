// wendlock: the process entry. Starts as a services provider under
// "Wendlock", runs the run loop in one-second ticks (at most 10) while the
// request is served, and shows the launch notice when there was none.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "paths/ApplicationIdentifier.h"
#include "service/CommandLine.h"
#include "service/Lifecycle.h"
#include "service/Wendlock.h"
#include "service/platform/AutoFrontEnd.h"
#include "service/platform/Bundle.h"
#include "service/platform/Desktop.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/FrontEnd.h"
#include "service/platform/Services.h"

namespace {

constexpr const char16_t* kPortName = u"Wendlock";

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // Names the library's settings folder before anything can reach it.
  orvin::setApplicationIdentifier(u"wendlock");
  using namespace wendlock;

  std::string error;
  const std::optional<Options> options =
      parseCommandLine(std::vector<std::string>(argv, argv + argc), &error);
  if (!options) {
    std::fprintf(stderr, "wendlock: %s\n%s\n", error.c_str(),
                 localized("Try 'wendlock --help'.").c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (options->version) {
    std::puts("wendlock " WENDLOCK_VERSION);
    return 0;
  }
  // With --ui=tty the display is left alone unless the text is on it.
  const bool desktopSource = options->source == Options::Source::Selection ||
                             options->source == Options::Source::Clipboard;
  setDesktopAllowed(options->ui != Options::Ui::Tty || desktopSource);
  const std::shared_ptr<orvin::Pasteboard> request = makeRequestPasteboard(*options, &error);
  if (options->source != Options::Source::None && !request) {
    std::fprintf(stderr, "wendlock: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->ui == Options::Ui::Gtk) {
    // Windows were asked for: a missing front end or display is an error
    // now, not a quiet fall back to the terminal later.
    std::string why;
    Desktop* d = desktopBackendLoads(&why) ? desktop(&why) : nullptr;
    if (d == nullptr) {
      std::fprintf(stderr, "wendlock: --ui=gtk: %s\n", why.c_str());
      return kExitUsage;
    }
    setFrontEnd(d->makeFrontEnd());
  } else if (options->ui == Options::Ui::Auto) {
    setFrontEnd(std::make_unique<AutoFrontEnd>());
  }
  // The general pasteboard is the desktop's clipboard wherever there is one,
  // looked for only when something asks for it.
  orvin::Pasteboard::setGeneralPasteboardFactory([]() -> std::shared_ptr<orvin::Pasteboard> {
    Desktop* d = desktop();
    return d != nullptr ? d->selection(DesktopSelection::Clipboard) : nullptr;
  });
  setBrowserTargets(options->targets);
  if (request) postServicesRequest(kPortName, request, orvin::String());

  auto* provider = new Wendlock();
  runServicesProvider(*provider, *provider, kPortName);
  delete provider;
  if (Desktop* d = openedDesktop()) d->storeSelections();
  std::exit(0);
}
