// The desktop front end: alerts, the launch notice's buttons, the beep, the
// modal device chooser, the window shown while a push waits and the
// notification of its end. A terminal front end serves when there is no
// display; the GTK one plugs in behind the same interface.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/platform/DeviceSource.h"
#include "service/platform/ServiceRecord.h"

namespace wendlock {

class FrontEnd {
 public:
  enum class Answer { Default, Alternate };

  // What the chooser shows of the text about to be sent, and the target
  // to choose first.
  struct Outgoing {
    std::string firstLine;   // its first line that is not blank, shortened
    std::string size;        // "1,234 bytes", localized
    std::string remembered;  // ServiceRecord::describe() of the last target; "" none
  };

  virtual ~FrontEnd() = default;

  // Modal alert with the platform's one default button: `message` names the
  // problem, `detail` (may be empty) explains it.
  virtual void showCriticalAlert(const std::string& title, const std::string& message,
                                 const std::string& detail) = 0;
  // Modal alert with two buttons.
  virtual Answer showInformationalAlert(const std::string& title, const std::string& message,
                                        const std::string& defaultButton,
                                        const std::string& alternateButton) = 0;
  virtual void beep() = 0;
  // Brings the front end's windows before other applications'.
  virtual void activate() {}
  // Says why the request ends without delivery and without an alert, where
  // the user would not see it otherwise (a terminal); windows say nothing.
  virtual void showEndWithoutDelivery(const std::string& /*reason*/) {}
  // Says what is going on while nothing else shows it (the default chooser's
  // search); windows show their own.
  virtual void showProgress(const std::string& /*what*/) {}
  // Modal choice among `devices`; nullopt when the user cancels.
  virtual std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) = 0;
  // Modal choice among what `source` finds, started by the caller and
  // changing while the choice is open; nullopt when the user cancels.
  // This default lets the search run (up to kSearchSeconds on the run loop,
  // or until it stops searching) under a progress line, then asks as above;
  // when nothing was found it notes "No devices found." as the end.
  virtual std::optional<ServiceRecord> chooseDevice(DeviceSource& source);

  // Shows `what` ("Sending to Pixel 7…") with a way to cancel while a push
  // waits for the device; `cancel` runs on the run loop when the user
  // cancels. Closed by endSending(). This default writes `what` as a line.
  virtual void showSending(const std::string& what, std::function<void()> cancel);
  // Closes what showSending() opened; safe to repeat.
  virtual void endSending() {}
  // Tells the desktop how the push ended ("Sent to Pixel 7") where it
  // notifies the user; elsewhere nothing.
  virtual void notify(const std::string& /*summary*/) {}

  void setOutgoing(Outgoing outgoing) { outgoing_ = std::move(outgoing); }
  [[nodiscard]] const Outgoing& outgoing() const noexcept { return outgoing_; }

  static constexpr double kSearchSeconds = 10.0;

 private:
  Outgoing outgoing_;
};

// The process's front end (the terminal one until another is installed).
FrontEnd& frontEnd();
void setFrontEnd(std::unique_ptr<FrontEnd> replacement);

}  // namespace wendlock
