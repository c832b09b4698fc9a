#include "service/platform/AutoFrontEnd.h"

#include "service/platform/Desktop.h"
#include "service/platform/TerminalFrontEnd.h"

namespace wendlock {

FrontEnd& AutoFrontEnd::chosen() {
  if (!chosen_) {
    if (Desktop* d = desktop()) chosen_ = d->makeFrontEnd();
    if (!chosen_) chosen_ = std::make_unique<TerminalFrontEnd>();
    if (active_) chosen_->activate();
  }
  return *chosen_;
}

void AutoFrontEnd::showCriticalAlert(const std::string& title, const std::string& message) {
  chosen().showCriticalAlert(title, message);
}

FrontEnd::Answer AutoFrontEnd::showInformationalAlert(const std::string& title,
                                                      const std::string& message,
                                                      const std::string& defaultButton,
                                                      const std::string& alternateButton) {
  return chosen().showInformationalAlert(title, message, defaultButton, alternateButton);
}

void AutoFrontEnd::beep() {
  chosen().beep();
}

void AutoFrontEnd::showEndWithoutDelivery(const std::string& reason) {
  if (chosen_) {
    chosen_->showEndWithoutDelivery(reason);
  } else {
    TerminalFrontEnd().showEndWithoutDelivery(reason);
  }
}

void AutoFrontEnd::showProgress(const std::string& what) {
  chosen().showProgress(what);
}

void AutoFrontEnd::activate() {
  active_ = true;
  if (chosen_) chosen_->activate();
}

std::optional<std::size_t> AutoFrontEnd::chooseDevice(const std::vector<ServiceRecord>& devices) {
  return chosen().chooseDevice(devices);
}

std::optional<ServiceRecord> AutoFrontEnd::chooseDevice(DeviceSource& source) {
  return chosen().chooseDevice(source);
}

}  // namespace wendlock
