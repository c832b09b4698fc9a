#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace wendlock::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// After the child has ended, how long its descendants (a viewer it
// started) may keep the pipes open before we stop reading.
constexpr milliseconds kDrainAfterExit{3000};
constexpr milliseconds kPollStep{100};

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void execChild(char* const* argv, char* const* envp, int inFd, int outFd, int errFd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (inFd >= 0) ::dup2(inFd, STDIN_FILENO);
  ::dup2(outFd, STDOUT_FILENO);
  ::dup2(errFd, STDERR_FILENO);
  ::execve(argv[0], argv, envp);
  ::_exit(127);
}

// On a terminal the child plays a shell's part: the program runs as a job
// of its own in the foreground, and the terminal goes back to the child
// before it ends. Otherwise the program would lead the session, and its end
// would hang up everything it started there (the viewer of the help).
[[noreturn]] void runAsForegroundJob(char* const* argv, char* const* envp, int outFd, int errFd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  ::signal(SIGTTOU, SIG_IGN);
  const pid_t job = ::fork();
  if (job == 0) {
    ::setpgid(0, 0);
    ::tcsetpgrp(STDIN_FILENO, ::getpid());
    ::signal(SIGTTOU, SIG_DFL);
    execChild(argv, envp, -1, outFd, errFd);
  }
  if (job < 0) ::_exit(126);
  ::setpgid(job, job);
  ::tcsetpgrp(STDIN_FILENO, job);
  int status = 0;
  while (::waitpid(job, &status, 0) < 0 && errno == EINTR) {
  }
  ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
  ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "wendlock-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Child Child::start(const Launch& launch) {
  std::vector<std::string> argv = launch.argv;
  std::vector<std::string> env = launch.env;
  const std::vector<char*> argvPointers = pointersTo(argv);
  const std::vector<char*> envPointers = pointersTo(env);

  int outPipe[2];
  int errPipe[2];
  int inPipe[2] = {-1, -1};
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0 ||
      (launch.input && ::pipe2(inPipe, O_CLOEXEC) != 0)) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  const int devNull = launch.input || launch.terminal ? -1 : ::open("/dev/null", O_RDONLY);

  Child child;
  if (launch.terminal) {
    int master = -1;
    const winsize size{24, 80, 0, 0};
    child.pid_ = ::forkpty(&master, nullptr, nullptr, &size);
    if (child.pid_ == 0) {
      runAsForegroundJob(argvPointers.data(), envPointers.data(), outPipe[1], errPipe[1]);
    }
    if (master >= 0) ::fcntl(master, F_SETFD, FD_CLOEXEC);
    child.ttyFd_ = master;
  } else {
    child.pid_ = ::fork();
    if (child.pid_ == 0) {
      // No controlling terminal: the program must not reach the tester's.
      ::setsid();
      execChild(argvPointers.data(), envPointers.data(), launch.input ? inPipe[0] : devNull,
                outPipe[1], errPipe[1]);
    }
  }
  const int forkError = errno;
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (inPipe[0] >= 0) ::close(inPipe[0]);
  if (devNull >= 0) ::close(devNull);
  child.outFd_ = outPipe[0];
  child.errFd_ = errPipe[0];
  child.inFd_ = inPipe[1];
  if (child.pid_ < 0) {
    child.closeAll();
    throw std::system_error(forkError, std::generic_category(), "fork");
  }
  if (child.inFd_ >= 0) {
    ::fcntl(child.inFd_, F_SETFL, ::fcntl(child.inFd_, F_GETFL) | O_NONBLOCK);
    child.pendingInput_ = *launch.input;
  }
  return child;
}

Child::Child(Child&& other) noexcept
    : out(std::move(other.out)),
      err(std::move(other.err)),
      tty(std::move(other.tty)),
      exitStatus(other.exitStatus),
      pid_(std::exchange(other.pid_, -1)),
      outFd_(std::exchange(other.outFd_, -1)),
      errFd_(std::exchange(other.errFd_, -1)),
      inFd_(std::exchange(other.inFd_, -1)),
      ttyFd_(std::exchange(other.ttyFd_, -1)),
      pendingInput_(std::move(other.pendingInput_)) {}

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    Child old(std::move(*this));
    out = std::move(other.out);
    err = std::move(other.err);
    tty = std::move(other.tty);
    exitStatus = other.exitStatus;
    pid_ = std::exchange(other.pid_, -1);
    outFd_ = std::exchange(other.outFd_, -1);
    errFd_ = std::exchange(other.errFd_, -1);
    inFd_ = std::exchange(other.inFd_, -1);
    ttyFd_ = std::exchange(other.ttyFd_, -1);
    pendingInput_ = std::move(other.pendingInput_);
  }
  return *this;
}

Child::~Child() {
  if (pid_ > 0 && exitStatus < 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  closeAll();
}

void Child::closeAll() {
  closeFd(outFd_);
  closeFd(errFd_);
  closeFd(inFd_);
  closeFd(ttyFd_);
}

void Child::pump(milliseconds wait) {
  pollfd fds[4];
  int* owners[4];
  nfds_t count = 0;
  for (int* fd : {&outFd_, &errFd_, &ttyFd_}) {
    if (*fd < 0) continue;
    fds[count] = {*fd, POLLIN, 0};
    owners[count++] = fd;
  }
  if (inFd_ >= 0) {
    fds[count] = {inFd_, POLLOUT, 0};
    owners[count++] = &inFd_;
  }
  if (::poll(count == 0 ? nullptr : fds, count, static_cast<int>(wait.count())) <= 0) return;
  for (nfds_t i = 0; i < count; ++i) {
    if (fds[i].revents == 0) continue;
    int& fd = *owners[i];
    if (&fd == &inFd_) {
      const ssize_t n = ::write(fd, pendingInput_.data(), pendingInput_.size());
      if (n > 0) pendingInput_.erase(0, static_cast<std::size_t>(n));
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || pendingInput_.empty()) closeFd(fd);
      continue;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    // A terminal whose last slave closed answers EIO: that is its end.
    if (n <= 0) {
      closeFd(fd);
      continue;
    }
    std::string& sink = &fd == &outFd_ ? out : &fd == &errFd_ ? err : tty;
    for (ssize_t k = 0; k < n; ++k) {
      if (&sink != &tty || buffer[k] != '\r') sink.push_back(buffer[k]);
    }
  }
}

void Child::reap() {
  if (exitStatus >= 0 || pid_ <= 0) return;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
}

bool Child::running(milliseconds wait) {
  pump(wait);
  reap();
  return exitStatus < 0;
}

bool Child::waitExit(milliseconds patience) {
  const auto deadline = Clock::now() + patience;
  std::optional<Clock::time_point> drainUntil;
  for (;;) {
    reap();
    if (exitStatus >= 0) {
      if (!drainUntil) drainUntil = Clock::now() + kDrainAfterExit;
      if ((outFd_ < 0 && errFd_ < 0 && ttyFd_ < 0) || Clock::now() >= *drainUntil) {
        closeAll();
        return true;
      }
    } else if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      exitStatus = 128 + SIGKILL;
      closeAll();
      return false;
    }
    pump(kPollStep);
  }
}

std::optional<std::size_t> Child::waitForTerminal(const std::string& text, std::size_t from) {
  const auto deadline = Clock::now() + kPatience;
  for (;;) {
    if (const std::size_t at = tty.find(text, from); at != std::string::npos) return at;
    if (ttyFd_ < 0 || Clock::now() >= deadline) return std::nullopt;
    pump(kPollStep);
  }
}

void Child::type(const std::string& keys) {
  std::size_t done = 0;
  while (ttyFd_ >= 0 && done < keys.size()) {
    const ssize_t n = ::write(ttyFd_, keys.data() + done, keys.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void Child::signal(int number) {
  if (pid_ > 0 && exitStatus < 0) ::kill(pid_, number);
}

std::vector<std::string> isolatedEnvironment(const fs::path& home) {
  for (const char* sub : {"home", "data", "config", "cache", "resources"}) {
    fs::create_directories(home / sub);
  }
  std::vector<std::string> env = {
      "PATH=/usr/local/bin:/usr/bin:/bin",
      "HOME=" + (home / "home").string(),
      "LC_ALL=C",
      "TZ=UTC",
      "TERM=dumb",
      "XDG_DATA_HOME=" + (home / "data").string(),
      "XDG_CONFIG_HOME=" + (home / "config").string(),
      "XDG_CACHE_HOME=" + (home / "cache").string(),
      "XDG_CONFIG_DIRS=" + (home / "no-system-config").string(),
      // The system's MIME database stays, so a PDF is known as one.
      "XDG_DATA_DIRS=/usr/local/share:/usr/share",
      "GIO_USE_VFS=local",
      // No desktop buses: without --to there is then no Bluetooth to find,
      // whatever this machine has.
      "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (home / "no-system-bus").string(),
      "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-session-bus").string(),
      // Empty unless a test puts a help document there.
      "WENDLOCK_RESOURCES=" + (home / "resources").string(),
  };
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  return env;
}

std::optional<std::string> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out.flush());
}

}  // namespace wendlock::e2e
