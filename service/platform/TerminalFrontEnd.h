// The front end without a display: alerts are lines on standard error,
// questions are asked on the controlling terminal.
#pragma once

#include "service/platform/FrontEnd.h"

namespace wendlock {

class TerminalFrontEnd : public FrontEnd {
 public:
  // Opens the controlling terminal (/dev/tty) for questions; without one,
  // questions take their default answer (Quit, cancel).
  TerminalFrontEnd();
  // For tests: questions on `ttyFd` (-1: none), alerts on `errorFd`.
  TerminalFrontEnd(int ttyFd, int errorFd, bool ownsTty = false);
  ~TerminalFrontEnd() override;
  TerminalFrontEnd(const TerminalFrontEnd&) = delete;
  TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

  // One line on standard error: "TITLE: MESSAGE DETAIL".
  void showCriticalAlert(const std::string& title, const std::string& message,
                         const std::string& detail) override;
  Answer showInformationalAlert(const std::string& title, const std::string& message,
                                const std::string& defaultButton,
                                const std::string& alternateButton) override;
  void beep() override;
  void showEndWithoutDelivery(const std::string& reason) override;
  void showProgress(const std::string& what) override;
  // One line on standard error; the terminal's interrupt key cancels.
  void showSending(const std::string& what, std::function<void()> cancel) override;
  using FrontEnd::chooseDevice;
  std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) override;

 private:
  void write(int fd, const std::string& text);
  // One line from the terminal without its newline; nullopt at end of input.
  std::optional<std::string> readLine();

  int tty_;
  int error_;
  bool ownsTty_;
};

}  // namespace wendlock
