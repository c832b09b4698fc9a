#include "BenchProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace wendlock::bench {
namespace {

namespace fs = std::filesystem;

int remainingMilliseconds(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

Clock::time_point deadlineIn(double seconds) {
  return Clock::now() +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

pid_t spawnQuiet(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

std::optional<int> waitForExit(pid_t pid, double timeoutSeconds, rusage* usage) {
  const Clock::time_point deadline = deadlineIn(timeoutSeconds);
  for (;;) {
    int status = 0;
    rusage used{};
    const pid_t done = ::wait4(pid, &status, WNOHANG, &used);
    if (done == pid) {
      if (usage != nullptr) *usage = used;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (Clock::now() >= deadline) {
      killAndReap(pid, usage);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void killAndReap(pid_t pid, rusage* usage) {
  if (pid <= 0) return;
  ::kill(pid, SIGKILL);
  int status = 0;
  rusage used{};
  while (::wait4(pid, &status, 0, &used) < 0 && errno == EINTR) {
  }
  if (usage != nullptr) *usage = used;
}

double cpuSeconds(const rusage& usage) {
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "wendlock-bench.XXXXXX").string();
  // Without a folder of its own a run would scatter files; nothing to measure.
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("wendlock-bench: mkdtemp");
    std::abort();
  }
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code error;
  fs::remove_all(path_, error);
}

void ScratchFolder::empty() const {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(path_, error)) fs::remove_all(entry, error);
}

std::vector<std::string> ScratchFolder::files() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(path_, error)) {
    if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
  }
  return names;
}

Receiver::Receiver(const std::string& program, bool once) {
  const std::string portFile = work_.path() + "/port";
  std::vector<std::string> argv = {program,       "--listen",    "127.0.0.1:0", "--dir",
                                   inbox_.path(), "--port-file", portFile};
  if (once) argv.push_back("--once");
  pid_ = spawnQuiet(argv);
  if (pid_ < 0) return;
  const Clock::time_point deadline = deadlineIn(5.0);
  while (Clock::now() < deadline) {
    std::ifstream in(portFile);
    unsigned port = 0;
    if (in >> port && port > 0 && port <= 65535) {
      port_ = static_cast<std::uint16_t>(port);
      return;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

Receiver::~Receiver() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (!waitForExit(pid_, 5.0)) killAndReap(pid_);
  }
}

bool Receiver::finished(double timeoutSeconds) {
  if (pid_ <= 0) return false;
  const std::optional<int> status = waitForExit(pid_, timeoutSeconds);
  pid_ = -1;
  return status == 0;
}

Listener::Listener() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd_, 16) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  port_ = ntohs(address.sin_port);
}

Listener::~Listener() {
  if (fd_ >= 0) ::close(fd_);
}

int Listener::accept(double timeoutSeconds) const {
  pollfd waiting{fd_, POLLIN, 0};
  const int ready = ::poll(&waiting, 1, static_cast<int>(timeoutSeconds * 1000));
  if (ready <= 0) return -1;
  return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

bool readExactly(int fd, void* buffer, std::size_t length, double timeoutSeconds) {
  const Clock::time_point deadline = deadlineIn(timeoutSeconds);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, remainingMilliseconds(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = ::recv(fd, bytes + done, length - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool writeAll(int fd, const void* buffer, std::size_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::send(fd, bytes + done, length - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace wendlock::bench
