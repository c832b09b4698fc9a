// What the end-to-end tests share: the programs' paths, the real OBEX
// receiver, a fixture with its own folder and environment, and the rules the
// received file name follows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "Processes.h"

namespace wendlock::e2e {

// The OBEX packet length wendlock asks for; the receiver offers 1024, so
// this is what the session runs with.
inline constexpr int kPacketLength = 512;
// One Put's room for headers and body: the packet less its opcode and
// length (3) and the Body header's prefix (3).
inline constexpr int kPutPayload = kPacketLength - 6;

// Bytes of the first Put's Name, Type ("text/plain") and Length headers for
// a name of `nameUnits` UTF-16 code units.
//   headerBytes(23) == 51 + 14 + 5
[[nodiscard]] constexpr int headerBytes(int nameUnits) {
  return (3 + 2 * (nameUnits + 1)) + (3 + 11) + 5;
}

// The number of UTF-16 code units of a UTF-8 text.
//   utf16Length("a\u00e9\U0001F600") == 4
[[nodiscard]] std::size_t utf16Length(const std::string& utf8);

// The file names wendlock gives, under LC_ALL=C and TZ=UTC, to a push made
// at any second from `from` to `to`: the short date and the time with "/"
// and ":" turned into "-", then ".txt".
//   namesBetween(t, t) == {"12-6-26, 6-01-07 PM.txt"}  (with U+202F before PM)
[[nodiscard]] std::vector<std::string> namesBetween(std::time_t from, std::time_t to);

// The alerts among a run's standard error lines, each "Wendlock: message";
// diagnostic log lines are left out.
//   alertsIn("2026-... wendlock[1:1] note\nWendlock: No data to send.\n")
//       == {"Wendlock: No data to send."}
[[nodiscard]] std::vector<std::string> alertsIn(const std::string& err);
using Alerts = std::vector<std::string>;

// How often `what` occurs in `text`.
//   count(receiver.process.err, "request 0x02 ")  // Puts answered Continue
[[nodiscard]] std::size_t count(const std::string& text, const std::string& what);

// A run's outcome, for failure messages.
//   SCOPED_TRACE(describe(child));
[[nodiscard]] std::string describe(const Child& child);

// One object the receiver stored, from its JSON line and the file itself.
struct ReceivedObject {
  std::string name;  // the Name header, UTF-8
  std::string type;  // the Type header
  std::optional<std::uint64_t> lengthHeader;
  std::uint64_t bytes = 0;
  std::string content;  // the stored file's bytes
};

// The real OBEX Object Push receiver (obex-receiver, on libopenobex) as the
// tests run it: on 127.0.0.1, a free port, one session, its own inbox.
struct Receiver {
  // "tcp:127.0.0.1:PORT", as wendlock's --to takes it.
  [[nodiscard]] std::string target() const { return "tcp:127.0.0.1:" + std::to_string(port); }
  // Waits for the session to end (the receiver leaves after one); false when
  // it had to be killed.
  [[nodiscard]] bool finish() { return process.waitExit(); }
  // Ends a receiver that nobody called.
  [[nodiscard]] bool stop();
  // The objects reported so far, each with its stored bytes.
  [[nodiscard]] std::vector<ReceivedObject> objects() const;

  Child process;
  fs::path inbox;
  std::uint16_t port = 0;
};

class E2ETest : public ::testing::Test {
 protected:
  // Skips the test when this build has no receiver.
  void SetUp() override;

  // Runs wendlock with `args` in the test's environment.
  //   Child c = Child::start(wendlock({"--help"}));
  [[nodiscard]] Launch wendlock(std::vector<std::string> args,
                                std::optional<std::string> input = std::nullopt) const {
    args.insert(args.begin(), WENDLOCK_PATH);
    return Launch{std::move(args), env_, std::move(input), false};
  }
  // Starts a receiver that serves one session into a folder of its own
  // under the test's folder; a failure to start fails the test.
  [[nodiscard]] std::optional<Receiver> receiver(const std::string& name);

  // Set when the test needs no receiver, before SetUp runs.
  bool needsReceiver_ = true;
  TempDir dir_;
  std::vector<std::string> env_ = isolatedEnvironment(dir_.path() / "env");
};

}  // namespace wendlock::e2e
