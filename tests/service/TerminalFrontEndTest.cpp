// The terminal front end with a socket pair standing in for the terminal.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <tuple>

#include "service/platform/Application.h"
#include "service/platform/TerminalFrontEnd.h"

namespace wendlock {
namespace {

// Everything written so far to the other end of `fd`.
std::string drain(int fd) {
  std::string all;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) all.append(buffer, n);
  return all;
}

// The terminal and standard error, as socket pairs: the front end has the
// first ends; the user types into the terminal's second, then ends the input.
struct Terminal {
  int tty[2] = {-1, -1}, err[2] = {-1, -1};
  explicit Terminal(const std::string& typed) {
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tty), 0);
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, err), 0);
    EXPECT_EQ(write(tty[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    shutdown(tty[1], SHUT_WR);
  }
  ~Terminal() {
    for (int fd : {tty[0], tty[1], err[0], err[1]}) close(fd);
  }
};

TEST(TerminalFrontEnd, NoticeAnswers) {
  using Answer = FrontEnd::Answer;
  // What the user types, the answer, how many prompts.
  // Enter or the end of input take Quit; an answer that is neither asks again.
  const std::tuple<const char*, Answer, std::size_t> cases[] = {
      {"\n", Answer::Default, 1},
      {"q\n", Answer::Default, 1},
      {" Quit \n", Answer::Default, 1},
      {"HELP\n", Answer::Alternate, 1},
      {"what\nmaybe\nh\n", Answer::Alternate, 3},
      {"", Answer::Default, 1},
      {"hel", Answer::Default, 2}};
  for (const auto& [typed, answer, asked] : cases) {
    SCOPED_TRACE(typed);
    Terminal t(typed);
    TerminalFrontEnd ui(t.tty[0], t.err[0]);
    EXPECT_EQ(ui.showInformationalAlert("Wendlock", "Notice text", "Quit", "Help"), answer);
    const std::string shown = drain(t.tty[1]);
    EXPECT_TRUE(shown.starts_with("Wendlock\n\nNotice text\n")) << shown;
    std::size_t prompts = 0, at = 0;
    while ((at = shown.find("[Quit] / Help? ", at) + 1) != 0) ++prompts;
    EXPECT_EQ(prompts, asked);
    EXPECT_EQ(drain(t.err[1]), "");
  }
  // Without a terminal the notice goes to standard error and Quit is taken.
  Terminal t("h\n");
  TerminalFrontEnd ui(-1, t.err[0]);
  EXPECT_EQ(ui.showInformationalAlert("Wendlock", "Notice text", "Quit", "Help"), Answer::Default);
  EXPECT_EQ(drain(t.err[1]), "Wendlock\n\nNotice text\n");
}

TEST(TerminalFrontEnd, Chooser) {
  const std::vector<ServiceRecord> devices = {*ServiceRecord::parse("tcp:127.0.0.1:9650"),
                                              *ServiceRecord::parse("bt:00:1A:7D:DA:71:13")};
  // What the user types, the device chosen, whether they were asked for a number.
  // A number out of range, or none, asks again; the last line needs no line end.
  const std::tuple<const char*, std::optional<std::size_t>, bool> cases[] = {
      {" 1 \n", 0, false},          {"0\n3\nx\n2\n", 1, true}, {"\n", std::nullopt, false},
      {"Q\n", std::nullopt, false}, {"", std::nullopt, false}, {"2", 1, false}};
  for (const auto& [typed, chosen, complained] : cases) {
    SCOPED_TRACE(typed);
    Terminal t(typed);
    TerminalFrontEnd ui(t.tty[0], t.err[0]);
    ui.setOutgoing({"Call Anna back", "14 bytes", "bt:00:1A:7D:DA:71:13"});
    EXPECT_EQ(ui.chooseDevice(devices), chosen);
    const std::string shown = drain(t.tty[1]);
    EXPECT_TRUE(
        shown.starts_with("Text: “Call Anna back” (14 bytes)\n"
                          "Send to which device?\n  1) tcp:127.0.0.1:9650\n"
                          "  2) bt:00:1A:7D:DA:71:13  (last used)\n"))
        << shown;
    EXPECT_EQ(shown.find("Please type a number from 1 to 2.") != std::string::npos, complained);
  }
  // Without a terminal nothing is asked: the request ends without delivery,
  // and the reason is said once, when the process ends.
  Terminal t("1\n");
  TerminalFrontEnd noTty(-1, t.err[0]);
  testhooks::resetOutcome();
  EXPECT_EQ(noTty.chooseDevice(devices), std::nullopt);
  EXPECT_EQ(drain(t.err[1]), "");
  EXPECT_NE(NSApplication::sharedApplication().endWithoutDelivery().toUtf8().find("--to"),
            std::string::npos);
  testhooks::resetOutcome();
  TerminalFrontEnd ui(t.tty[0], t.err[0]);
  EXPECT_EQ(ui.chooseDevice(std::vector<ServiceRecord>{}), std::nullopt);
}

// A source that searches until it is first asked again, then has `found`.
class OneLookSource : public DeviceSource {
 public:
  explicit OneLookSource(std::vector<DeviceEntry> found) : found_(std::move(found)) {}
  bool start(std::function<void()>, std::string*) override { return true; }
  void stop() override {}
  std::vector<DeviceEntry> entries() const override { return found_; }
  bool isSearching() const override { return looks_++ == 0; }

 private:
  std::vector<DeviceEntry> found_;
  mutable int looks_ = 0;
};

TEST(TerminalFrontEnd, SearchingThenNoDevicesFound) {
  const DeviceEntry phone{"Phone", "00:1A:7D:DA:71:13", true,
                          *ServiceRecord::parse("bt:00:1A:7D:DA:71:13"), "phone"};
  // What the search finds, what the terminal shows after the search line.
  const std::pair<std::vector<DeviceEntry>, const char*> cases[] = {
      {{}, ""},
      {{phone}, "Send to which device?\n  1) Phone (paired)  (bt:00:1A:7D:DA:71:13)\n"},
  };
  for (const auto& [found, menu] : cases) {
    Terminal t("\n");
    TerminalFrontEnd ui(t.tty[0], t.err[0]);
    testhooks::resetOutcome();
    OneLookSource source(found);
    EXPECT_EQ(ui.chooseDevice(source), std::nullopt);
    const std::string shown = drain(t.tty[1]);
    EXPECT_TRUE(shown.starts_with(std::string("Searching for devices…\n") + menu)) << shown;
    EXPECT_EQ(NSApplication::sharedApplication().endWithoutDelivery().toUtf8(),
              found.empty() ? "No devices found." : "");
    testhooks::resetOutcome();
  }
}

TEST(TerminalFrontEnd, AlertsAndBeep) {
  Terminal t("");
  TerminalFrontEnd ui(t.tty[0], t.err[0]);
  ui.showCriticalAlert("Wendlock", "Connection failed.", "");
  ui.showCriticalAlert("", "untitled", "");
  ui.showCriticalAlert("Wendlock", "Too much data to send.", "The text is 600 bytes.");
  ui.showSending("Sending to Pixel 7…", [] {});
  ui.showEndWithoutDelivery("Cancelled.");
  ui.beep();
  EXPECT_EQ(drain(t.err[1]),
            "Wendlock: Connection failed.\nuntitled\n"
            "Wendlock: Too much data to send. The text is 600 bytes.\n"
            "Sending to Pixel 7…\nwendlock: Cancelled.\n");
  EXPECT_EQ(drain(t.tty[1]), "\a");
  TerminalFrontEnd noTty(-1, t.err[0]);
  noTty.beep();
  EXPECT_EQ(drain(t.err[1]), "\a");
}

}  // namespace
}  // namespace wendlock
