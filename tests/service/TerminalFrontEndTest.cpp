// The terminal front end with a socket pair standing in for the terminal.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "service/platform/TerminalFrontEnd.h"

namespace wendlock {
namespace {

// The user's side of the terminal: what they type (then end of input
// unless told otherwise), and what they were shown.
class Terminal {
 public:
  explicit Terminal(const std::string& typed, bool endInput = true) {
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tty_), 0);
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, err_), 0);
    EXPECT_EQ(write(tty_[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    if (endInput) shutdown(tty_[1], SHUT_WR);
  }
  ~Terminal() {
    for (int fd : {tty_[0], tty_[1], err_[0], err_[1]}) close(fd);
  }
  int tty() const { return tty_[0]; }
  int error() const { return err_[0]; }
  // Everything written so far to the terminal and to standard error.
  std::string shown() { return drain(tty_[1]); }
  std::string errors() { return drain(err_[1]); }

 private:
  static std::string drain(int fd) {
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) all.append(buffer, n);
    return all;
  }
  int tty_[2] = {-1, -1};
  int err_[2] = {-1, -1};
};

TEST(TerminalFrontEnd, NoticeAnswers) {
  using Answer = FrontEnd::Answer;
  struct Case {
    const char* typed;
    Answer answer;
    int asked;  // how many prompts
  };
  const Case cases[] = {
      {"\n", Answer::Default, 1},       {"q\n", Answer::Default, 1},
      {" Quit \n", Answer::Default, 1}, {"h\n", Answer::Alternate, 1},
      {"HELP\n", Answer::Alternate, 1}, {"what\nmaybe\nh\n", Answer::Alternate, 3},
      {"", Answer::Default, 1},         {"hel", Answer::Default, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Terminal t(c.typed);
    TerminalFrontEnd ui(t.tty(), t.error());
    EXPECT_EQ(ui.showInformationalAlert("Wendlock", "Notice text", "Quit", "Help"), c.answer);
    const std::string shown = t.shown();
    EXPECT_TRUE(shown.starts_with("Wendlock\n\nNotice text\n")) << shown;
    std::size_t prompts = 0;
    for (std::size_t at = 0; (at = shown.find("[Quit] / Help? ", at)) != std::string::npos; ++at) {
      ++prompts;
    }
    EXPECT_EQ(prompts, static_cast<std::size_t>(c.asked));
    EXPECT_EQ(t.errors(), "");
  }
  // Without a terminal the notice goes to standard error and Quit is taken.
  Terminal t("h\n");
  TerminalFrontEnd ui(-1, t.error());
  EXPECT_EQ(ui.showInformationalAlert("Wendlock", "Notice text", "Quit", "Help"), Answer::Default);
  EXPECT_EQ(t.errors(), "Wendlock\n\nNotice text\n");
}

TEST(TerminalFrontEnd, Chooser) {
  const std::vector<ServiceRecord> devices = {*ServiceRecord::parse("tcp:127.0.0.1:9650"),
                                              *ServiceRecord::parse("bt:00:1A:7D:DA:71:13")};
  struct Case {
    const char* typed;
    std::optional<std::size_t> chosen;
    bool complained;  // "Please type a number ..."
  };
  const Case cases[] = {
      {"2\n", 1, false},         {" 1 \n", 0, false},         {"0\n3\nx\n2\n", 1, true},
      {"-1\n1\n", 0, true},      {"\n", std::nullopt, false}, {"Q\n", std::nullopt, false},
      {"", std::nullopt, false}, {"5\n", std::nullopt, true},  // then the input ends
      {"2", 1, false},                                         // the last line needs no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Terminal t(c.typed);
    TerminalFrontEnd ui(t.tty(), t.error());
    EXPECT_EQ(ui.chooseDevice(devices), c.chosen);
    const std::string shown = t.shown();
    EXPECT_TRUE(
        shown.starts_with("Send to which device?\n  1) tcp:127.0.0.1:9650\n"
                          "  2) bt:00:1A:7D:DA:71:13\n"))
        << shown;
    EXPECT_EQ(shown.find("Please type a number from 1 to 2.") != std::string::npos, c.complained);
  }
  Terminal t("1\n");
  TerminalFrontEnd noTty(-1, t.error());
  EXPECT_EQ(noTty.chooseDevice(devices), std::nullopt);
  EXPECT_NE(t.errors().find("--to"), std::string::npos);
  TerminalFrontEnd ui(t.tty(), t.error());
  EXPECT_EQ(ui.chooseDevice(std::vector<ServiceRecord>{}), std::nullopt);
}

TEST(TerminalFrontEnd, AlertsAndBeep) {
  Terminal t("");
  TerminalFrontEnd ui(t.tty(), t.error());
  ui.showCriticalAlert("Wendlock", "Connection failed.");
  ui.showCriticalAlert("", "untitled");
  ui.beep();
  EXPECT_EQ(t.errors(), "Wendlock: Connection failed.\nuntitled\n");
  EXPECT_EQ(t.shown(), "\a");
  TerminalFrontEnd noTty(-1, t.error());
  noTty.beep();
  EXPECT_EQ(t.errors(), "\a");
}

}  // namespace
}  // namespace wendlock
