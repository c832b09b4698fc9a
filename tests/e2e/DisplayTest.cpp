// The display as a terminal or script run meets it: a push with its text on
// the command line never reaches the display, and a display server that
// accepts connections but never answers counts as none instead of holding
// the run forever.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "E2ETest.h"

namespace wendlock::e2e {
namespace {

// An X11 server on 127.0.0.1 that accepts connections and never answers, as
// a hung server does, with the DISPLAY that names it; and a Wayland socket
// of the same kind.
class SilentDisplays {
 public:
  explicit SilentDisplays(const fs::path& folder) {
    // X11 display n listens on port 6000 + n; take the first free one.
    for (int n = 40; n < 200 && x11_ < 0; ++n) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(static_cast<std::uint16_t>(6000 + n));
      if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 8) == 0) {
        x11_ = fd;
        display_ = "127.0.0.1:" + std::to_string(n);
      } else {
        ::close(fd);
      }
    }
    wayland_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un u{};
    u.sun_family = AF_UNIX;
    waylandPath_ = (folder / "wayland-silent").string();
    std::strncpy(u.sun_path, waylandPath_.c_str(), sizeof u.sun_path - 1);
    if (::bind(wayland_, reinterpret_cast<sockaddr*>(&u), sizeof u) != 0 ||
        ::listen(wayland_, 8) != 0) {
      waylandPath_.clear();
    }
  }
  ~SilentDisplays() {
    for (int fd : {x11_, wayland_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  [[nodiscard]] bool ok() const { return x11_ >= 0 && !waylandPath_.empty(); }
  [[nodiscard]] const std::string& x11() const { return display_; }
  [[nodiscard]] const std::string& wayland() const { return waylandPath_; }
  // Whether anyone has connected to either (the connection waits, never
  // accepted, in the backlog).
  [[nodiscard]] bool touched() const {
    pollfd p[2] = {{x11_, POLLIN, 0}, {wayland_, POLLIN, 0}};
    return ::poll(p, 2, 0) > 0;
  }

 private:
  int x11_ = -1;
  int wayland_ = -1;
  std::string display_;
  std::string waylandPath_;
};

class Display : public E2ETest {
 protected:
  // wendlock with `args`, its environment naming the silent displays.
  [[nodiscard]] Launch withDisplays(std::vector<std::string> args, bool x11, bool wayland,
                                    std::optional<std::string> input = std::nullopt) const {
    Launch launch = wendlock(std::move(args), std::move(input));
    if (x11) launch.env.push_back("DISPLAY=" + displays_.x11());
    if (wayland) launch.env.push_back("WAYLAND_DISPLAY=" + displays_.wayland());
    return launch;
  }
  SilentDisplays displays_{dir_.path()};
};

class DisplayAlone : public Display {
 protected:
  DisplayAlone() { needsReceiver_ = false; }
};

TEST_F(Display, TerminalAndScriptedRunsLeaveTheDisplayAlone) {
  ASSERT_TRUE(displays_.ok());
  ASSERT_TRUE(writeFile(dir_.path() / "note.txt", "from a file"));
  struct Case {
    std::vector<std::string> args;  // --to the receiver is added when `push`
    std::optional<std::string> input;
    bool push;
  };
  const Case cases[] = {
      {{"--version"}, std::nullopt, false},
      {{"--help"}, std::nullopt, false},
      {{"--ui=tty", "--text", "from the command line"}, std::nullopt, true},
      {{"--file", (dir_.path() / "note.txt").string()}, std::nullopt, true},
      {{"-"}, "from standard input", true},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    std::optional<Receiver> r = c.push ? receiver("receiver" + std::to_string(++n)) : std::nullopt;
    if (c.push) {
      ASSERT_TRUE(r);
      args.insert(args.end(), {"--to", r->target()});
    }
    Child run = Child::start(withDisplays(args, true, true, c.input));
    ASSERT_TRUE(run.waitExit()) << describe(run);
    EXPECT_EQ(run.exitStatus, 0) << describe(run);
    if (r) {
      EXPECT_TRUE(r->finish());
      EXPECT_EQ(r->objects().size(), 1u) << args[0];
    }
    EXPECT_FALSE(displays_.touched()) << args[0];
  }
}

TEST_F(DisplayAlone, SilentDisplayCountsAsNone) {
  ASSERT_TRUE(displays_.ok());
  // Port 9 on loopback refuses, so each push ends in an alert, which is
  // where the desktop would be wanted.
  const std::vector<std::string> refused = {"--to", "tcp:127.0.0.1:9", "--text", "hi"};
  auto with = [](std::vector<std::string> a, std::vector<std::string> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const char* noGtk = WENDLOCK_HAS_GTK ? "the display does not answer" : "without the desktop";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool x11;
    bool wayland;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {"terminal alerts", with({"--ui=tty"}, refused), true, false, 1,
       "Wendlock: Connection failed."},
      {"auto, X11 silent", refused, true, false, 1, "Wendlock: Connection failed."},
      {"auto, Wayland silent", refused, false, true, 1, "Wendlock: Connection failed."},
      {"auto, both silent", refused, true, true, 1, "Wendlock: Connection failed."},
      {"windows asked for", {"--ui=gtk", "--text", "hi"}, true, false, 2, noGtk},
      {"the selection", {"--ui=tty", "--selection"}, true, false, 2, "does not answer"},
  };
  // Started together: each spends its tick and the display's bound alone.
  std::vector<Child> runs;
  for (const Case& c : cases) runs.push_back(Child::start(withDisplays(c.args, c.x11, c.wayland)));
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Case& c = cases[i];
    Child& run = runs[i];
    EXPECT_TRUE(run.waitExit()) << c.name << ": still running";
    EXPECT_EQ(run.exitStatus, c.status) << c.name << "\n" << describe(run);
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << "\n" << describe(run);
  }
}

TEST_F(DisplayAlone, ModulesAreFoundOrTheirAbsenceTold) {
  // Without a display, --ui=gtk still loads the desktop module first, so a
  // missing or broken module is told apart from a missing display. Without
  // --to, the browser loads the Bluetooth module, which then finds no bus.
  const std::string empty = (dir_.path() / "no-modules").string();
  fs::create_directories(empty);
  const bool gtk = WENDLOCK_HAS_GTK;
  const bool bluez = WENDLOCK_HAS_BLUEZ;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::optional<std::string> moduleDir;
    int status;
    const char* err;
  };
  const std::vector<std::string> windows = {"--ui=gtk", "--text", "hi"};
  const std::vector<std::string> chooser = {"--ui=tty", "--text", "hi"};
  const Case cases[] = {
      {"desktop module beside the program", windows, std::nullopt, 2,
       gtk ? "--ui=gtk: no display" : "without the desktop"},
      {"no desktop module", windows, empty, 2,
       gtk ? "cannot load the desktop module" : "without the desktop"},
      {"Bluetooth module beside the program", chooser, std::nullopt, 1,
       bluez ? "the system bus is not reachable" : "no Bluetooth in this wendlock"},
      {"no Bluetooth module", chooser, empty, 1,
       bluez ? "wendlock-bluez.so" : "no Bluetooth in this wendlock"},
  };
  for (const Case& c : cases) {
    Launch launch = wendlock(c.args);
    if (c.moduleDir) launch.env.push_back("WENDLOCK_MODULE_DIR=" + *c.moduleDir);
    Child run = Child::start(launch);
    ASSERT_TRUE(run.waitExit()) << c.name;
    EXPECT_EQ(run.exitStatus, c.status) << c.name;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << "\n" << describe(run);
  }
}

}  // namespace
}  // namespace wendlock::e2e
