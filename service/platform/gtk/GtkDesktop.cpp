#include "service/platform/gtk/GtkDesktop.h"

#include "service/platform/gtk/ActiveWindow.h"
#include "service/platform/gtk/GtkDisplay.h"
#include "service/platform/gtk/GtkFrontEnd.h"
#include "service/platform/gtk/GtkPasteboard.h"

namespace wendlock {
namespace {

class GtkDesktop : public Desktop {
 public:
  std::unique_ptr<FrontEnd> makeFrontEnd() override { return makeGtkFrontEnd(); }
  std::shared_ptr<orvin::Pasteboard> selection(DesktopSelection which) override {
    return desktopPasteboard(which);
  }
  void storeSelections() override { storeDesktopPasteboards(); }
  orvin::String activeApplicationName() override { return activeWindowApplicationName(); }
};

}  // namespace

Desktop* openGtkDesktop() {
  if (!ensureGtkDisplay()) return nullptr;
  // Never destroyed: the selections it serves outlive static destruction.
  static auto* desktop = new GtkDesktop();
  return desktop;
}

}  // namespace wendlock
