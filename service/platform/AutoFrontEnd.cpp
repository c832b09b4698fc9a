#include "service/platform/AutoFrontEnd.h"

#include "service/platform/Desktop.h"
#include "service/platform/TerminalFrontEnd.h"

namespace wendlock {

FrontEnd& AutoFrontEnd::chosen() {
  if (!chosen_) {
    if (Desktop* d = desktop()) chosen_ = d->makeFrontEnd();
    if (!chosen_) chosen_ = std::make_unique<TerminalFrontEnd>();
    if (active_) chosen_->activate();
    chosen_->setOutgoing(outgoing());
  }
  return *chosen_;
}

FrontEnd* AutoFrontEnd::inUse() {
  if (!chosen_ && openedDesktop() != nullptr) (void)chosen();
  return chosen_.get();
}

void AutoFrontEnd::showCriticalAlert(const std::string& title, const std::string& message,
                                     const std::string& detail) {
  chosen().showCriticalAlert(title, message, detail);
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

void AutoFrontEnd::showSending(const std::string& what, std::function<void()> cancel) {
  if (FrontEnd* f = inUse()) {
    f->showSending(what, std::move(cancel));
  } else {
    TerminalFrontEnd().showSending(what, std::move(cancel));
  }
}

void AutoFrontEnd::endSending() {
  if (chosen_) chosen_->endSending();
}

void AutoFrontEnd::notify(const std::string& summary) {
  if (FrontEnd* f = inUse()) f->notify(summary);
}

void AutoFrontEnd::activate() {
  active_ = true;
  if (chosen_) chosen_->activate();
}

std::optional<std::size_t> AutoFrontEnd::chooseDevice(const std::vector<ServiceRecord>& devices) {
  chosen().setOutgoing(outgoing());
  return chosen().chooseDevice(devices);
}

std::optional<ServiceRecord> AutoFrontEnd::chooseDevice(DeviceSource& source) {
  chosen().setOutgoing(outgoing());
  return chosen().chooseDevice(source);
}

}  // namespace wendlock
