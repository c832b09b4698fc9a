// The display probe: where X11 and Wayland display names lead, and that a
// silent or closing server counts as no answer within the bound. Which
// display the environment names, and what follows, is the desktop's test.
#include "service/platform/DisplayProbe.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FakeDisplay.h"

namespace wendlock {
namespace {

using Kind = DisplaySocket::Kind;
using testkit::FakeDisplay;

// Short bounds: each silent case waits this long.
constexpr long long kShortWait = 100 * 1000;

std::string describe(const std::vector<DisplaySocket>& sockets) {
  std::string out;
  for (const DisplaySocket& s : sockets) {
    if (!out.empty()) out += " ";
    switch (s.kind) {
      case Kind::Unix:
        out += "unix:" + s.path;
        break;
      case Kind::AbstractUnix:
        out += "@" + s.path;
        break;
      case Kind::Tcp:
        out += "tcp:" + s.host + ":" + std::to_string(s.port);
        break;
    }
  }
  return out;
}

TEST(DisplayProbe, X11DisplayNames) {
  const std::pair<const char*, const char*> cases[] = {
      {":0", "@/tmp/.X11-unix/X0 unix:/tmp/.X11-unix/X0"},
      {":12.1", "@/tmp/.X11-unix/X12 unix:/tmp/.X11-unix/X12"},
      {"unix:3", "@/tmp/.X11-unix/X3 unix:/tmp/.X11-unix/X3"},
      {"unix/:3", "@/tmp/.X11-unix/X3 unix:/tmp/.X11-unix/X3"},
      {"tcp/:0", "tcp:localhost:6000"},
      {"localhost:10.0", "tcp:localhost:6010"},
      {"10.0.0.2:1", "tcp:10.0.0.2:6001"},
      {"[::1]:2", "tcp:::1:6002"},
      {"inet6/::1:2", "tcp:::1:6002"},
      // The highest display number whose port exists, and one above.
      {"h:59535", "tcp:h:65535"},
      {"h:59536", ""},
      // A socket's own path, with or without a screen.
      {"/run/x/socket", "unix:/run/x/socket"},
      {"/run/x/socket.1", "unix:/run/x/socket.1 unix:/run/x/socket"},
      // Not display names: nothing to try.
      {"", ""},
      {"0", ""},
      {":", ""},
      {":x", ""},
      {":1x", ""},
      {"host::0", ""},
      {"foo/:0", ""},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(describe(x11Sockets(name)), expected) << name;
  }
}

TEST(DisplayProbe, WaylandDisplayNames) {
  struct Case {
    const char* display;
    const char* runtime;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"wayland-0", "/run/user/1000", "/run/user/1000/wayland-0"},
      {"wayland-1", "/run/user/1000/", "/run/user/1000/wayland-1"},
      {"/tmp/w/socket", "", "/tmp/w/socket"},
      {"/tmp/w/socket", "/run/user/1000", "/tmp/w/socket"},
      {"wayland-0", "", std::nullopt},
      {"wayland-0", "relative", std::nullopt},
      {"", "/run/user/1000", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<DisplaySocket> socket = waylandSocket(c.display, c.runtime);
    EXPECT_EQ(socket ? std::optional(socket->path) : std::nullopt, c.path) << c.display;
  }
}

TEST(DisplayProbe, PeerAnswersOnlyWithABytePending) {
  struct Case {
    const char* name;
    const char* reply;  // nullptr: the peer stays silent
    bool closes;
    bool answers;
  };
  const Case cases[] = {
      {"one byte", "\x01", false, true},
      {"a refusal is an answer too", "\x00", false, true},
      {"silent", nullptr, false, false},
      {"closed without a word", nullptr, true, false},
  };
  for (const Case& c : cases) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair), 0);
    if (c.reply != nullptr) {
      ASSERT_EQ(write(pair[1], c.reply, 1), 1);
    }
    if (c.closes) close(pair[1]);
    EXPECT_EQ(peerAnswers(pair[0], x11Hello(), g_get_monotonic_time() + kShortWait), c.answers)
        << c.name;
    if (!c.closes) {
      // The hello went out whole before the wait.
      char hello[32] = {};
      EXPECT_EQ(read(pair[1], hello, sizeof hello), 12) << c.name;
      close(pair[1]);
    }
    close(pair[0]);
  }
}

TEST(DisplayProbe, SocketAnswersOnlyWhenTheServerDoes) {
  FakeDisplay answers(FakeDisplay::Mode::Answers);
  FakeDisplay silent(FakeDisplay::Mode::Silent);
  FakeDisplay closes(FakeDisplay::Mode::Closes);
  ASSERT_FALSE(answers.path().empty() || silent.path().empty() || closes.path().empty());
  const std::pair<std::string, bool> cases[] = {
      {answers.path(), true},
      {silent.path(), false},
      {closes.path(), false},
      {answers.path() + ".gone", false},
  };
  for (const auto& [path, expected] : cases) {
    const DisplaySocket socket{Kind::Unix, path, "", 0};
    EXPECT_EQ(socketAnswers(socket, waylandHello(), g_get_monotonic_time() + kShortWait), expected)
        << path;
  }
  // A Wayland sync on display object 1, in the machine's byte order.
  const std::string heard = answers.heard();
  ASSERT_EQ(heard.size(), 12u);
  EXPECT_EQ(heard, waylandHello());
  EXPECT_EQ(heard[0] == 1 ? heard[6] : heard[5], 12);
}

TEST(DisplayProbe, TcpDisplayIsLookedUpAndAsked) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const unsigned port = ntohs(address.sin_port);
  const char* hosts[] = {"127.0.0.1", "localhost"};
  std::thread server([&] {
    for (std::size_t i = 0; i < std::size(hosts); ++i) {
      const int peer = accept(listener, nullptr, nullptr);
      if (peer < 0) return;
      char hello[12];
      if (read(peer, hello, sizeof hello) > 0) (void)!write(peer, "\x01", 1);
      close(peer);
    }
  });
  for (const char* host : hosts) {
    const DisplaySocket display{Kind::Tcp, "", host, port};
    EXPECT_TRUE(socketAnswers(display, x11Hello(), g_get_monotonic_time() + 2 * 1000 * 1000))
        << host;
  }
  server.join();
  close(listener);
  // A name no resolver knows is no display, and costs no more than the bound.
  const DisplaySocket unknown{Kind::Tcp, "", "no-such-host.invalid", port};
  EXPECT_FALSE(socketAnswers(unknown, x11Hello(), g_get_monotonic_time() + kShortWait));
}

}  // namespace
}  // namespace wendlock
