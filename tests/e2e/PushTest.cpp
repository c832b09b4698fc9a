// wendlock pushing to the real receiver over loopback TCP, and the ways a
// push is refused before or during the connection, all as a user starts it.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "E2ETest.h"

namespace wendlock::e2e {
namespace {

// One push under way: its receiver and the wendlock that sends to it.
struct Push {
  Receiver receiver;
  Child sender;
  std::time_t started = 0;
  std::time_t ended = 0;
};

class Pushes : public E2ETest {
 protected:
  // Starts a receiver and a wendlock with `args` and --to that receiver.
  std::optional<Push> start(std::vector<std::string> args,
                            std::optional<std::string> input = std::nullopt) {
    std::optional<Receiver> r = receiver("receiver" + std::to_string(++receivers_));
    if (!r) return std::nullopt;
    args.push_back("--to");
    args.push_back(r->target());
    Launch launch = wendlock(std::move(args));
    launch.input = std::move(input);
    const std::time_t started = std::time(nullptr);
    return Push{std::move(*r), Child::start(launch), started, 0};
  }

  // Waits for the sender, then for the receiver's one session.
  static void finish(Push& push) {
    EXPECT_TRUE(push.sender.waitExit()) << describe(push.sender);
    push.ended = std::time(nullptr);
    EXPECT_TRUE(push.receiver.finish()) << describe(push.receiver.process);
  }

  // The push delivered exactly `sent`, under a name of its time, and ended
  // without an alert.
  static void expectDelivered(const Push& push, const std::string& sent) {
    SCOPED_TRACE("sender: " + describe(push.sender));
    SCOPED_TRACE("receiver: " + describe(push.receiver.process));
    EXPECT_EQ(push.sender.exitStatus, 0);
    EXPECT_EQ(alertsIn(push.sender.err), Alerts{});
    EXPECT_EQ(push.receiver.process.exitStatus, 0);
    const std::vector<ReceivedObject> objects = push.receiver.objects();
    ASSERT_EQ(objects.size(), 1u);
    const ReceivedObject& object = objects.front();
    const std::vector<std::string> names = namesBetween(push.started, push.ended);
    EXPECT_NE(std::find(names.begin(), names.end(), object.name), names.end())
        << "unexpected name \"" << object.name << "\"; e.g. \"" << names.front() << "\"";
    EXPECT_EQ(object.type, "text/plain");
    EXPECT_EQ(object.lengthHeader, sent.size());
    EXPECT_EQ(object.bytes, sent.size());
    EXPECT_EQ(object.content, sent);
  }

  static std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
      ++n;
    }
    return n;
  }

  int receivers_ = 0;
};

// A valid UTF-8 text of exactly `bytes` bytes, mostly two-byte characters.
std::string textOfBytes(std::size_t bytes) {
  std::string text;
  while (text.size() + 3 <= bytes) text += "\u00FC ";
  while (text.size() < bytes) text += '.';
  return text;
}

TEST_F(Pushes, EachTextArrivesExactly) {
  std::string twoChunks;
  while (twoChunks.size() < 300) twoChunks += "z\u65E5";  // "日" splits across chunks
  const std::string utf8File =
      "Grüße aus Köln\nΚαλημέρα κόσμε\n日本語のテキスト\n😀 👍🏽\n";
  ASSERT_TRUE(writeFile(dir_.path() / "notes.txt", utf8File));
  std::string libreOfficeText = readFile(WENDLOCK_TEST_DATA "/rtf/scripts.txt").value_or("");
  ASSERT_TRUE(libreOfficeText.starts_with("\xEF\xBB\xBF"));
  libreOfficeText.erase(0, 3);  // LibreOffice's export starts with a byte-order mark

  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::optional<std::string> input;
    std::string sent;
    std::size_t continues;  // Puts answered Continue: chunks before the last
  };
  const std::string stdinText = "piped line one\r\nline two\twith a tab\n\u20AC 10\n";
  const std::vector<Case> cases = {
      {"ASCII", {"--text", "Hello from Wendlock.\nA second line, 100% ASCII."}, {}, {}, 0},
      {"Greek", {"--text", "Καλημέρα κόσμε — ελληνικά"}, {}, {}, 0},
      {"CJK", {"--text", "日本語のテキスト、中文文本，한국어 텍스트"}, {}, {}, 0},
      {"emoji", {"-t", "Emoji: 😀 👍🏽 🇩🇪 and 𝄞 music"}, {}, {}, 0},
      {"two chunks", {"--text", twoChunks}, {}, twoChunks, 1},
      {"UTF-8 file", {"--file", (dir_.path() / "notes.txt").string()}, {}, utf8File, 0},
      {"RTF file", {"--file", WENDLOCK_TEST_DATA "/rtf/scripts.rtf"}, {}, libreOfficeText, 1},
      {"standard input", {"-"}, stdinText, stdinText, 0},
  };

  // All at once: each waits out its one-second ticks alone.
  std::vector<Push> pushes;
  for (const Case& c : cases) {
    std::optional<Push> push = start(c.args, c.input);
    ASSERT_TRUE(push) << c.label;
    pushes.push_back(std::move(*push));
  }
  for (Push& push : pushes) finish(push);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.label);
    expectDelivered(pushes[i], c.sent.empty() ? c.args[1] : c.sent);
    EXPECT_EQ(count(pushes[i].receiver.process.err, "request 0x02 "), c.continues);
    EXPECT_EQ(count(pushes[i].receiver.process.err, "request 0x82 "), 1u);
  }
}

// The whole file must fit one Put with its headers. The name's length
// follows the clock, so it is learnt from a push just before; a push just
// after confirms that it did not change meanwhile.
TEST_F(Pushes, LargestTextFitsAndOneByteMoreIsRefused) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::optional<Push> before = start({"--text", "probe"});
    ASSERT_TRUE(before);
    finish(*before);
    const std::vector<ReceivedObject> probed = before->receiver.objects();
    ASSERT_EQ(probed.size(), 1u) << describe(before->sender);
    const std::size_t nameUnits = utf16Length(probed.front().name);

    const std::size_t largest =
        static_cast<std::size_t>(kPutPayload - headerBytes(static_cast<int>(nameUnits)));
    const std::string fits = textOfBytes(largest);
    const std::string tooLong = fits + ".";
    std::optional<Push> fitting = start({"--text", fits});
    std::optional<Push> refused = start({"--text", tooLong});
    ASSERT_TRUE(fitting && refused);
    finish(*fitting);
    finish(*refused);

    std::optional<Push> after = start({"--text", "probe"});
    ASSERT_TRUE(after);
    finish(*after);
    const std::vector<ReceivedObject> fitted = fitting->receiver.objects();
    const std::vector<ReceivedObject> probedAfter = after->receiver.objects();
    ASSERT_EQ(probedAfter.size(), 1u) << describe(after->sender);
    if (utf16Length(probedAfter.front().name) != nameUnits ||
        (fitted.size() == 1 && utf16Length(fitted.front().name) != nameUnits)) {
      continue;  // the hour or the day gained or lost a digit
    }

    {
      SCOPED_TRACE("largest: " + std::to_string(largest) + " bytes");
      expectDelivered(*fitting, fits);
      // Half the packet length is the chunk size, so this needs two Puts.
      EXPECT_EQ(count(fitting->receiver.process.err, "request 0x02 "), 1u);
    }
    SCOPED_TRACE("one byte more: " + describe(refused->sender));
    EXPECT_EQ(refused->sender.exitStatus, 1);
    // One alert only: the disconnect that follows ends the request quietly.
    EXPECT_EQ(alertsIn(refused->sender.err), Alerts{"Wendlock: Too much data to send."});
    EXPECT_EQ(refused->receiver.process.exitStatus, 0) << describe(refused->receiver.process);
    EXPECT_EQ(refused->receiver.process.out, "");
    EXPECT_EQ(refused->receiver.inboxFiles(), std::vector<std::string>{});
    return;
  }
  FAIL() << "the file name's length kept changing between pushes";
}

// A loopback port that is bound but not listening: connecting to it is
// refused, and nobody else can take it while the object lives.
class ClosedPort {
 public:
  ClosedPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~ClosedPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] std::string target() const { return "tcp:127.0.0.1:" + std::to_string(port_); }
  [[nodiscard]] bool ok() const { return port_ != 0; }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

class Refusals : public E2ETest {
 protected:
  Refusals() { needsReceiver_ = false; }
};

TEST_F(Refusals, AlertOnStandardErrorAndStatusOne) {
  const ClosedPort closed;
  ASSERT_TRUE(closed.ok());
  ASSERT_TRUE(writeFile(dir_.path() / "empty.txt", ""));
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> input;
    const char* alert;
  };
  const std::vector<Case> cases = {
      // Without --to there is no device to offer.
      {{"--text", "hello"}, {}, "Wendlock: Bluetooth not available."},
      {{"--text", "", "--to", closed.target()}, {}, "Wendlock: No data to send."},
      {{"--file", (dir_.path() / "empty.txt").string(), "--to", closed.target()},
       {},
       "Wendlock: No data to send."},
      {{"-", "--to", closed.target()}, "", "Wendlock: No data to send."},
      // The emptiness is found before any device is asked for.
      {{"--text", ""}, {}, "Wendlock: No data to send."},
  };
  for (const Case& c : cases) {
    Launch launch = wendlock(c.args);
    launch.input = c.input;
    Child run = Child::start(launch);
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(alertsIn(run.err), Alerts{c.alert});
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(Refusals, UnusableCommandLinesExitWithStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--to"},
      {"--text"},
      {"--to", "foo:1", "--text", "x"},
      {"--to", "tcp:127.0.0.1:0", "--text", "x"},
      {"--to", "tcp:127.0.0.1:65536", "--text", "x"},
      {"--to", "tcp:example.org", "--text", "x"},
      {"--to", "bt:00:11", "--text", "x"},
      {"--text", "a", "--file", "b"},
      {"--text", "a", "-"},
      {"--file", "/nonexistent/wendlock-e2e.txt"},
      {"--ui=curses", "--text", "x"},
  };
  for (const std::vector<std::string>& args : cases) {
    Child run = Child::start(wendlock(args));
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(args.front() + " ...: " + describe(run));
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_TRUE(run.err.starts_with("wendlock: ")) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(Refusals, HelpAndVersion) {
  for (const char* flag : {"--help", "-h"}) {
    Child run = Child::start(wendlock({flag}));
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.out.starts_with("Usage: wendlock")) << run.out;
    EXPECT_NE(run.out.find("Exit status:"), std::string::npos);
    EXPECT_EQ(run.err, "");
  }
  Child run = Child::start(wendlock({"--version"}));
  ASSERT_TRUE(run.waitExit());
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(run.out.starts_with("wendlock ")) << run.out;
}

// A refused TCP connection is a link that broke before any answer: the
// request ends at once with the alert, not after the 60 ticks of its wait.
TEST_F(Refusals, ClosedPortFailsWithoutWaitingOutTheTicks) {
  const ClosedPort closed;
  ASSERT_TRUE(closed.ok());
  const auto started = std::chrono::steady_clock::now();
  Child run = Child::start(wendlock({"--text", "hello", "--to", closed.target()}));
  ASSERT_TRUE(run.waitExit(std::chrono::seconds(30)));
  SCOPED_TRACE(describe(run));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(alertsIn(run.err), Alerts{"Wendlock: Connection failed."});
  // Generous: the one tick of the wait plus start-up, far below 60 s.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

}  // namespace
}  // namespace wendlock::e2e
