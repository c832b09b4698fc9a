// Child processes and loopback sockets for the service benchmarks: spawning
// wendlock and the OBEX receiver, a listening socket, and a scratch folder.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wendlock::bench {

using Clock = std::chrono::steady_clock;

// Seconds between two instants, for SetIterationTime.
double secondsBetween(Clock::time_point from, Clock::time_point to);

// Starts `argv` with standard input, output and error on /dev/null; -1 on
// failure.
//   pid_t pid = spawnQuiet({"/bin/true"});
pid_t spawnQuiet(const std::vector<std::string>& argv);

// Waits for `pid` to end, at most `timeoutSeconds`; its exit status, or
// nullopt when it did not end in time (it is then killed and reaped). The
// child's resource use goes to *usage when given.
std::optional<int> waitForExit(pid_t pid, double timeoutSeconds, rusage* usage = nullptr);

// Kills `pid` and reaps it; its resource use goes to *usage when given.
void killAndReap(pid_t pid, rusage* usage = nullptr);

// User plus system CPU seconds of `usage`.
double cpuSeconds(const rusage& usage);

// A fresh folder under the temporary directory, removed with its contents
// when this object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  [[nodiscard]] const std::string& path() const noexcept { return path_; }
  // Removes everything inside the folder.
  void empty() const;
  // The regular files inside, by name.
  [[nodiscard]] std::vector<std::string> files() const;

 private:
  std::string path_;
};

// The OBEX receiver (tools/obex-receiver) on 127.0.0.1 with an ephemeral
// port, storing into its own inbox. With `once` it ends after one session.
class Receiver {
 public:
  Receiver(const std::string& program, bool once);
  ~Receiver();
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  // False when it did not start or did not report its port in time.
  [[nodiscard]] bool started() const noexcept { return port_ != 0; }
  [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
  [[nodiscard]] const ScratchFolder& inbox() const noexcept { return inbox_; }
  // Waits (bounded) for a --once receiver to end; true for a clean end.
  [[nodiscard]] bool finished(double timeoutSeconds);

 private:
  ScratchFolder work_;  // the port file, kept out of the inbox
  ScratchFolder inbox_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// A TCP socket listening on 127.0.0.1 with an ephemeral port.
class Listener {
 public:
  Listener();
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  [[nodiscard]] bool ok() const noexcept { return fd_ >= 0; }
  [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
  // The next connection, waiting at most `timeoutSeconds`; -1 when none came.
  [[nodiscard]] int accept(double timeoutSeconds) const;

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Reads exactly `length` bytes from `fd`, waiting at most `timeoutSeconds`
// in all; false on a close, an error or the time running out.
bool readExactly(int fd, void* buffer, std::size_t length, double timeoutSeconds);
// Writes all of `length` bytes; false on an error.
bool writeAll(int fd, const void* buffer, std::size_t length);

}  // namespace wendlock::bench
