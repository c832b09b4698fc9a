// The front end of --ui=auto: nothing is decided until something must be
// shown. Then the desktop's windows when a display answers, else the
// terminal; a run that ends without a question or an alert (a delivered
// file) never loads the desktop.
#pragma once

#include <memory>

#include "service/platform/FrontEnd.h"

namespace wendlock {

class AutoFrontEnd : public FrontEnd {
 public:
  void showCriticalAlert(const std::string& title, const std::string& message,
                         const std::string& detail) override;
  Answer showInformationalAlert(const std::string& title, const std::string& message,
                                const std::string& defaultButton,
                                const std::string& alternateButton) override;
  void beep() override;
  // Said by the front end chosen; when none was (nothing was asked or
  // shown), by the terminal's, so no desktop is opened just for a line.
  void showEndWithoutDelivery(const std::string& reason) override;
  void showProgress(const std::string& what) override;
  // The desktop's when it is already open or chosen, else the terminal's:
  // a push named on the command line never opens the desktop for them.
  void showSending(const std::string& what, std::function<void()> cancel) override;
  void endSending() override;
  void notify(const std::string& summary) override;
  // Remembered until a front end is chosen, then handed on to it.
  void activate() override;
  std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) override;
  std::optional<ServiceRecord> chooseDevice(DeviceSource& source) override;

 private:
  FrontEnd& chosen();
  // The chosen front end, choosing the desktop's only when it is open.
  FrontEnd* inUse();

  std::unique_ptr<FrontEnd> chosen_;
  bool active_ = false;
};

}  // namespace wendlock
