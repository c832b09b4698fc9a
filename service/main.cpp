// wendlock: the process entry. Starts as a services provider under
// "Wendlock", runs the run loop in one-second ticks (at most 10) while the
// request is served, and shows the launch notice when there was none.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "service/CommandLine.h"
#include "service/Lifecycle.h"
#include "service/Wendlock.h"
#include "service/platform/Bundle.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/Services.h"
#include "service/platform/gtk/GtkDisplay.h"
#include "service/platform/gtk/GtkFrontEnd.h"
#include "service/platform/gtk/GtkPasteboard.h"

namespace {

constexpr const char16_t* kPortName = u"Wendlock";

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
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
  const std::shared_ptr<orvin::Pasteboard> request = makeRequestPasteboard(*options, &error);
  if (options->source != Options::Source::None && !request) {
    std::fprintf(stderr, "wendlock: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->ui != Options::Ui::Tty) {
    if (std::unique_ptr<FrontEnd> gtk = makeGtkFrontEnd()) {
      setFrontEnd(std::move(gtk));
    } else if (options->ui == Options::Ui::Gtk) {
      std::fputs("wendlock: --ui=gtk: cannot open the display\n", stderr);
      return kExitUsage;
    }
  }
  // The general pasteboard is the desktop's clipboard wherever there is one.
  if (environmentHasDisplay()) installDesktopPasteboards();
  setBrowserTargets(options->targets);
  if (request) postServicesRequest(kPortName, request, orvin::String());

  auto* provider = new Wendlock();
  runServicesProvider(*provider, *provider, kPortName);
  delete provider;
  storeDesktopPasteboards();
  std::exit(0);
}
