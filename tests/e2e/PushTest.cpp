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

  // Waits for the sender, then for the receiver's one session.
  void finish() {
    EXPECT_TRUE(sender.waitExit()) << describe(sender);
    ended = std::time(nullptr);
    EXPECT_TRUE(receiver.finish()) << describe(receiver.process);
  }
};

class Pushes : public E2ETest {
 protected:
  // Starts a receiver and a wendlock with `args` and --to that receiver.
  std::optional<Push> start(std::vector<std::string> args,
                            std::optional<std::string> input = std::nullopt) {
    std::optional<Receiver> r = receiver("receiver" + std::to_string(++receivers_));
    if (!r) return std::nullopt;
    args.insert(args.end(), {"--to", r->target()});
    const std::time_t started = std::time(nullptr);
    return Push{std::move(*r), Child::start(wendlock(std::move(args), std::move(input))), started,
                0};
  }

  // The push delivered exactly `sent` in `puts` Puts, under a name of its
  // time, and ended without an alert.
  static void expectDelivered(const Push& push, const std::string& sent, std::size_t puts) {
    SCOPED_TRACE("sender: " + describe(push.sender) +
                 "\nreceiver: " + describe(push.receiver.process));
    EXPECT_EQ(push.sender.exitStatus, 0);
    EXPECT_EQ(alertsIn(push.sender.err), Alerts{});
    EXPECT_EQ(push.receiver.process.exitStatus, 0);
    const std::vector<ReceivedObject> objects = push.receiver.objects();
    ASSERT_EQ(objects.size(), 1u);
    const std::vector<std::string> names = namesBetween(push.started, push.ended);
    EXPECT_NE(std::find(names.begin(), names.end(), objects[0].name), names.end())
        << "unexpected name \"" << objects[0].name << "\"; e.g. \"" << names.front() << "\"";
    EXPECT_EQ(objects[0].type, "text/plain");
    EXPECT_EQ(objects[0].lengthHeader, sent.size());
    EXPECT_EQ(objects[0].bytes, sent.size());
    EXPECT_EQ(objects[0].content, sent);
    // Every Put but the last is answered Continue; one final Put.
    EXPECT_EQ(count(push.receiver.process.err, "request 0x02 "), puts - 1);
    EXPECT_EQ(count(push.receiver.process.err, "request 0x82 "), 1u);
  }

  int receivers_ = 0;
};

TEST_F(Pushes, EachTextArrivesExactly) {
  std::string twoChunks;
  while (twoChunks.size() < 300) twoChunks += "z\u65E5";  // "日" splits across chunks
  const std::string utf8File =
      "Grüße aus Köln\nΚαλημέρα κόσμε\n日本語のテキスト\n😀 👍🏽\n";
  ASSERT_TRUE(writeFile(dir_.path() / "notes.txt", utf8File));
  std::string libreOfficeText = readFile(WENDLOCK_TEST_DATA "/rtf/scripts.txt").value_or("");
  ASSERT_TRUE(libreOfficeText.starts_with("\xEF\xBB\xBF"));
  libreOfficeText.erase(0, 3);  // LibreOffice's export starts with a byte-order mark
  const std::string stdinText = "piped line one\r\nline two\twith a tab\n\u20AC 10\n";
  const std::string ascii = "Hello from Wendlock.\nA second line, 100% ASCII.";
  // Two, three and four UTF-8 bytes, and pairs of UTF-16 units.
  const std::string utf8 =
      "Καλημέρα 日本語 Emoji: 😀 👍🏽 🇩🇪 and 𝄞 music";
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::optional<std::string> input;
    std::string sent;
    std::size_t puts;
  };
  const std::vector<Case> cases = {
      {"ASCII", {"--text", ascii}, {}, ascii, 1},
      {"UTF-8", {"-t", utf8}, {}, utf8, 1},
      {"two chunks", {"--text", twoChunks}, {}, twoChunks, 2},
      {"UTF-8 file", {"--file", (dir_.path() / "notes.txt").string()}, {}, utf8File, 1},
      {"RTF file", {"--file", WENDLOCK_TEST_DATA "/rtf/scripts.rtf"}, {}, libreOfficeText, 2},
      {"standard input", {"-"}, stdinText, stdinText, 1},
  };
  // All at once: each waits out its one-second ticks alone.
  std::vector<Push> pushes;
  for (const Case& c : cases) {
    std::optional<Push> push = start(c.args, c.input);
    ASSERT_TRUE(push) << c.label;
    pushes.push_back(std::move(*push));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].label);
    pushes[i].finish();
    expectDelivered(pushes[i], cases[i].sent, cases[i].puts);
  }
}

// The whole file must fit one Put with its headers. The name's length
// follows the clock: when the names of the seconds the pushes took differ in
// length, the hour or the day gained or lost a digit meanwhile, and the test
// tries again.
TEST_F(Pushes, LargestTextFitsAndOneByteMoreIsRefused) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t now = std::time(nullptr);
    const std::size_t nameUnits = utf16Length(namesBetween(now, now).front());
    // A valid UTF-8 text of exactly the room left, mostly two-byte characters.
    const auto largest =
        static_cast<std::size_t>(kPutPayload - headerBytes(static_cast<int>(nameUnits)));
    std::string fits;
    while (fits.size() + 3 <= largest) fits += "\u00FC ";
    fits.resize(largest, '.');
    std::optional<Push> fitting = start({"--text", fits});
    std::optional<Push> refused = start({"--text", fits + "."});
    ASSERT_TRUE(fitting && refused);
    fitting->finish();
    // Refused before connecting: the receiver is never called, so it is
    // stopped.
    EXPECT_TRUE(refused->sender.waitExit()) << describe(refused->sender);
    refused->ended = std::time(nullptr);
    EXPECT_TRUE(refused->receiver.stop()) << describe(refused->receiver.process);
    const std::vector<std::string> names = namesBetween(now, refused->ended);
    if (std::any_of(names.begin(), names.end(),
                    [&](const std::string& name) { return utf16Length(name) != nameUnits; })) {
      continue;
    }
    SCOPED_TRACE("largest: " + std::to_string(largest) + " bytes");
    // Half the packet length is the chunk size, so this needs two Puts.
    expectDelivered(*fitting, fits, 2);
    SCOPED_TRACE("one byte more: " + describe(refused->sender));
    EXPECT_EQ(refused->sender.exitStatus, 1);
    EXPECT_EQ(alertsIn(refused->sender.err),
              Alerts{"Wendlock: Too much data to send. The text is " + std::to_string(largest + 1) +
                     " bytes; at most " + std::to_string(largest) + " bytes can be sent at once."});
    EXPECT_EQ(refused->receiver.process.exitStatus, 0) << describe(refused->receiver.process);
    EXPECT_EQ(refused->receiver.process.out, "");
    // Still waiting for its one session when stopped: no connection came.
    EXPECT_EQ(count(refused->receiver.process.err, "stopped by a signal"), 1u)
        << refused->receiver.process.err;
    EXPECT_TRUE(fs::is_empty(refused->receiver.inbox));
    return;
  }
  FAIL() << "the file name's length kept changing";
}

class Refusals : public E2ETest {
 protected:
  Refusals() { needsReceiver_ = false; }
};

// Each case runs wendlock once, as a user would type it: exit status, the
// alert (or the start of the message) on standard error, and standard output.
TEST_F(Refusals, AlertsUsageErrorsNoticeHelpAndVersion) {
  // A loopback port that is bound but not listening: connecting to it is
  // refused, and nobody else can take it while the test runs.
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string closed = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  const std::string empty = (dir_.path() / "empty.txt").string();
  ASSERT_TRUE(writeFile(empty, ""));
  const std::string latin1 = (dir_.path() / "latin1.txt").string();
  ASSERT_TRUE(writeFile(latin1,
                        "Gr\xFC\xDF"
                        "e"));
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> input;
    int status;
    std::string err;  // the one alert, or how standard error starts
    std::string out;  // how standard output starts
  };
  const std::string noData = "Wendlock: No data to send.";
  const std::vector<Case> cases = {
      // Without --to there is no device to offer.
      {{"--text", "hello"}, {}, 1, "Wendlock: Bluetooth not available.", ""},
      // A refused connection is a link that broke before any answer: the
      // request ends at once, well inside the wait's patience, not after
      // the 60 ticks of its wait.
      {{"--text", "hello", "--to", closed}, {}, 1, "Wendlock: Connection failed.", ""},
      {{"--file", empty, "--to", closed}, {}, 1, noData, ""},
      {{"-", "--to", closed}, "", 1, noData, ""},
      // The emptiness is found before any device is asked for.
      {{"--text", ""}, {}, 1, noData, ""},
      // One of each kind of unusable command line; the command-line tests
      // go through each kind's variants.
      {{"--bogus"}, {}, 2, "wendlock: ", ""},
      {{"--text"}, {}, 2, "wendlock: ", ""},
      {{"--to", "tcp:127.0.0.1:65536", "--text", "x"}, {}, 2, "wendlock: ", ""},
      {{"--text", "a", "-"}, {}, 2, "wendlock: ", ""},
      {{"--file", "/nonexistent/wendlock-e2e.txt"}, {}, 2, "wendlock: ", ""},
      {{"--ui=curses", "--text", "x"}, {}, 2, "wendlock: ", ""},
      {{"--file", dir_.path().string()}, {}, 2, "wendlock: cannot read ", ""},
      {{latin1}, {}, 2, "wendlock: " + latin1 + " cannot be read as text", ""},
      {{"--text", "\xFF\xFE bad"}, {}, 2, "wendlock: --text is not text", ""},
      {{"--selection", "--clipboard"},
       {},
       2,
       "wendlock: give one source of text: --file, --text, -, "
       "--selection or --clipboard",
       ""},

      // Two targets and no terminal to choose on: nothing to alert about.
      {{"--text", "x", "--to", closed, "--to", closed},
       {},
       3,
       "wendlock: No terminal to choose a device on; name one with --to.\n",
       ""},
      // Opened by hand with no terminal, the launch notice goes to standard error.
      {{}, {}, 0, "Wendlock\n\nWendlock sends the text you have selected to a Bluetooth", ""},
      {{"--help"}, {}, 0, "", "Usage: wendlock"},
      {{"--version"}, {}, 0, "", "wendlock "},
  };
  for (const Case& c : cases) {
    Child run = Child::start(wendlock(c.args, c.input));
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(testing::PrintToString(c.args) + ": " + describe(run));
    EXPECT_EQ(run.exitStatus, c.status);
    if (c.status == 1) {
      EXPECT_EQ(alertsIn(run.err), Alerts{c.err});
    } else {
      EXPECT_TRUE(run.err.starts_with(c.err) && (c.err != "" || run.err == ""));
    }
    EXPECT_TRUE(run.out.starts_with(c.out) && (c.out != "" || run.out == ""));
    EXPECT_EQ(run.err.find('\a'), std::string::npos);  // no terminal, no beep
  }
  EXPECT_EQ(::close(socket), 0);
}

}  // namespace
}  // namespace wendlock::e2e
