#include "service/platform/TerminalFrontEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>

#include "chars/StringFormat.h"
#include "service/platform/Application.h"
#include "service/platform/Bundle.h"

namespace wendlock {
namespace {

std::string trimmed(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TerminalFrontEnd::TerminalFrontEnd()
    : TerminalFrontEnd(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY), STDERR_FILENO, true) {}

TerminalFrontEnd::TerminalFrontEnd(int ttyFd, int errorFd, bool ownsTty)
    : tty_(ttyFd), error_(errorFd), ownsTty_(ownsTty) {}

TerminalFrontEnd::~TerminalFrontEnd() {
  if (ownsTty_ && tty_ >= 0) ::close(tty_);
}

void TerminalFrontEnd::write(int fd, const std::string& text) {
  std::size_t done = 0;
  while (fd >= 0 && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::optional<std::string> TerminalFrontEnd::readLine() {
  if (tty_ < 0) return std::nullopt;
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(tty_, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    if (c == '\n') return line;
    if (line.size() < 4096) line.push_back(c);
  }
}

void TerminalFrontEnd::showCriticalAlert(const std::string& title, const std::string& message,
                                         const std::string& detail) {
  write(error_, (title.empty() ? "" : title + ": ") + message +
                    (detail.empty() ? "" : " " + detail) + "\n");
}

FrontEnd::Answer TerminalFrontEnd::showInformationalAlert(const std::string& title,
                                                          const std::string& message,
                                                          const std::string& defaultButton,
                                                          const std::string& alternateButton) {
  const std::string text = (title.empty() ? "" : title + "\n\n") + message + "\n";
  if (tty_ < 0) {
    write(error_, text);
    return Answer::Default;
  }
  write(tty_, text);
  for (;;) {
    write(tty_, "[" + defaultButton + "] / " + alternateButton + "? ");
    const std::optional<std::string> line = readLine();
    if (!line) return Answer::Default;
    const std::string answer = lower(trimmed(*line));
    // Enter takes the default button, as Return does in a dialog.
    if (answer.empty() || answer == lower(defaultButton) ||
        answer == lower(defaultButton).substr(0, 1)) {
      return Answer::Default;
    }
    if (answer == lower(alternateButton) || answer == lower(alternateButton).substr(0, 1)) {
      return Answer::Alternate;
    }
  }
}

void TerminalFrontEnd::showProgress(const std::string& what) {
  write(tty_ >= 0 ? tty_ : error_, what + "\n");
}

void TerminalFrontEnd::showSending(const std::string& what, std::function<void()> /*cancel*/) {
  write(error_, what + "\n");
}

void TerminalFrontEnd::showEndWithoutDelivery(const std::string& reason) {
  write(error_, "wendlock: " + reason + "\n");
}

void TerminalFrontEnd::beep() {
  write(tty_ >= 0 ? tty_ : error_, "\a");
}

std::optional<std::size_t> TerminalFrontEnd::chooseDevice(
    const std::vector<ServiceRecord>& devices) {
  if (devices.empty()) return std::nullopt;
  if (tty_ < 0) {
    NSApplication::sharedApplication().noteEndWithoutDelivery(
        NSBundle::mainBundle().localizedStringForKey(
            u"No terminal to choose a device on; name one with --to.", u""));
    return std::nullopt;
  }
  std::string menu;
  if (!outgoing().size.empty()) {
    menu = orvin::stringWithFormat(
               NSBundle::mainBundle().localizedStringForKey(u"Text: “%@” (%@)", u""),
               {orvin::String::withUtf8(outgoing().firstLine),
                orvin::String::withUtf8(outgoing().size)})
               .toUtf8() +
           "\n";
  }
  menu += localized(u"Send to which device?") + "\n";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    menu += "  " + std::to_string(i + 1) + ") " + devices[i].name;
    if (devices[i].name != devices[i].describe()) menu += "  (" + devices[i].describe() + ")";
    if (devices[i].describe() == outgoing().remembered) menu += "  " + localized(u"(last used)");
    menu += "\n";
  }
  write(tty_, menu);
  for (;;) {
    write(tty_, localized(u"Number, or Enter to cancel:") + " ");
    const std::optional<std::string> line = readLine();
    if (!line) return std::nullopt;
    const std::string answer = lower(trimmed(*line));
    if (answer.empty() || answer == "q") return std::nullopt;
    std::size_t choice = 0;
    const auto [end, ec] = std::from_chars(answer.data(), answer.data() + answer.size(), choice);
    if (ec == std::errc() && end == answer.data() + answer.size() && choice >= 1 &&
        choice <= devices.size()) {
      return choice - 1;
    }
    const orvin::String hint = orvin::stringWithFormat(
        NSBundle::mainBundle().localizedStringForKey(u"Please type a number from 1 to %lu.", u""),
        {devices.size()});
    write(tty_, hint.toUtf8() + "\n");
  }
}

}  // namespace wendlock
