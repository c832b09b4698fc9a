// A display server for tests on a Unix socket in a folder of its own: one
// that answers the first message of a connection, one that accepts and
// stays silent (as a hung X server does), or one that closes at once.
#pragma once

#include <string>
#include <thread>

namespace wendlock::testkit {

class FakeDisplay {
 public:
  enum class Mode { Answers, Silent, Closes };

  explicit FakeDisplay(Mode mode);
  ~FakeDisplay();
  FakeDisplay(const FakeDisplay&) = delete;
  FakeDisplay& operator=(const FakeDisplay&) = delete;

  // The socket's path; empty when it could not be made.
  [[nodiscard]] const std::string& path() const { return path_; }
  // The bytes of the first message received (Answers only; after the
  // connection was answered).
  [[nodiscard]] std::string heard();

 private:
  std::string folder_;
  std::string path_;
  int listener_ = -1;
  int stop_[2] = {-1, -1};  // closing the write end stops the server
  std::thread server_;
  std::string heard_;
};

}  // namespace wendlock::testkit
