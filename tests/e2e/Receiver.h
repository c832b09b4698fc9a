// The real OBEX Object Push receiver (obex-receiver, on libopenobex) as the
// tests run it: on 127.0.0.1, a free port, one session, its own inbox.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Processes.h"

namespace wendlock::e2e {

// One object the receiver stored, from its JSON line and the file itself.
struct ReceivedObject {
  std::string name;  // the Name header, UTF-8
  std::string type;  // the Type header
  std::optional<std::uint64_t> lengthHeader;
  std::uint64_t bytes = 0;
  std::string path;
  std::string content;  // the stored file's bytes
};

// The receiver's path as built, or "" when this build has none.
[[nodiscard]] std::string receiverPath();

// Reads one line of the receiver's standard output; nullopt when it is not
// an object record.
//   parseObjectLine(R"({"name": "a.txt", "type": "text/plain", "length_header": 1,
//                    "bytes": 1, "path": "/x/a.txt"})")->name == "a.txt"
[[nodiscard]] std::optional<ReceivedObject> parseObjectLine(const std::string& line);

class Receiver {
 public:
  // Starts a receiver that serves one session into `dir`/inbox; nullopt
  // (with the reason in *why) when it does not come up.
  //   auto r = Receiver::start(dir.path() / "r1", env, &why);  r->target()
  [[nodiscard]] static std::optional<Receiver> start(const fs::path& dir,
                                                     const std::vector<std::string>& env,
                                                     std::string* why);

  // "tcp:127.0.0.1:PORT", as wendlock's --to takes it.
  [[nodiscard]] std::string target() const;
  // Waits for the session to end (the receiver leaves after one); false when
  // it had to be killed.
  [[nodiscard]] bool finish();
  // Ends a receiver that nobody called.
  [[nodiscard]] bool stop();
  // The objects reported so far, each with its stored bytes.
  [[nodiscard]] std::vector<ReceivedObject> objects() const;
  // What is in the inbox, stored or not.
  [[nodiscard]] std::vector<std::string> inboxFiles() const;

  Child process;
  std::uint16_t port = 0;
  fs::path inbox;

 private:
  explicit Receiver(Child child) : process(std::move(child)) {}
};

}  // namespace wendlock::e2e
