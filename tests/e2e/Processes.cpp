#include "Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

namespace wendlock::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kPollStep{100};

void closeFd(Handle& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int statusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
  ::_exit(statusOf(status));
}

// An anonymous file holding `contents`, read from its start.
int anonymousFile(const std::string& contents) {
  const int fd = ::memfd_create("wendlock-e2e", MFD_CLOEXEC);
  if (fd < 0 || ::write(fd, contents.data(), contents.size()) != std::ssize(contents) ||
      ::lseek(fd, 0, SEEK_SET) != 0) {
    throw std::system_error(errno, std::generic_category(), "memfd_create");
  }
  return fd;
}

std::string contentsOf(int fd) {
  std::string contents;
  char buffer[4096];
  for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, std::ssize(contents))) > 0;) {
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  return contents;
}

// execve's view of strings, which it does not change.
std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
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
  const std::vector<char*> argvPointers = pointersTo(launch.argv);
  const std::vector<char*> envPointers = pointersTo(launch.env);
  Child child;
  child.outFd_ = anonymousFile("");
  child.errFd_ = anonymousFile("");
  const int in = anonymousFile(launch.input.value_or(""));
  if (launch.terminal) {
    int master = -1;
    const winsize size{24, 80, 0, 0};
    child.pid_ = ::forkpty(&master, nullptr, nullptr, &size);
    if (child.pid_ == 0)
      runAsForegroundJob(argvPointers.data(), envPointers.data(), child.outFd_, child.errFd_);
    if (master >= 0) ::fcntl(master, F_SETFD, FD_CLOEXEC);
    child.ttyFd_ = master;
  } else {
    child.pid_ = ::fork();
    if (child.pid_ == 0) {
      ::setsid();  // no controlling terminal: the program must not reach the tester's
      execChild(argvPointers.data(), envPointers.data(), in, child.outFd_, child.errFd_);
    }
  }
  ::close(in);
  if (child.pid_ < 0) throw std::system_error(errno, std::generic_category(), "fork");
  return child;
}

Child::~Child() {
  if (pid_ > 0 && exitStatus < 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (Handle* fd : {&outFd_, &errFd_, &ttyFd_}) closeFd(*fd);
}

bool Child::pump(milliseconds wait) {
  bool got = false;
  pollfd terminal{ttyFd_, POLLIN, 0};
  if (ttyFd_ < 0) {
    std::this_thread::sleep_for(wait);
  } else if (::poll(&terminal, 1, static_cast<int>(wait.count())) > 0) {
    char buffer[4096];
    const ssize_t n = ::read(ttyFd_, buffer, sizeof buffer);
    for (ssize_t k = 0; k < n; ++k) {
      if (buffer[k] != '\r') tty.push_back(buffer[k]);
    }
    got = n > 0;
    // A terminal whose last slave closed answers EIO: that is its end.
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) closeFd(ttyFd_);
  }
  out = contentsOf(outFd_);
  err = contentsOf(errFd_);
  return got;
}

void Child::reap() {
  int status = 0;
  if (exitStatus < 0 && pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
    exitStatus = statusOf(status);
  }
}

bool Child::running(milliseconds wait) {
  pump(wait);
  reap();
  return exitStatus < 0;
}

bool Child::waitExit(milliseconds patience) {
  const auto deadline = Clock::now() + patience;
  for (reap(); exitStatus < 0; reap()) {
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      exitStatus = 128 + SIGKILL;
      pump(milliseconds(0));
      return false;
    }
    pump(kPollStep);
  }
  // What the terminal still holds; a viewer it started may keep it open.
  while (pump(kPollStep) && Clock::now() < deadline) {
  }
  return true;
}

std::optional<std::size_t> Child::waitForTerminal(const std::string& text, std::size_t from) {
  const auto deadline = Clock::now() + kPatience;
  for (;; pump(kPollStep)) {
    if (const std::size_t at = tty.find(text, from); at != std::string::npos) return at;
    if (ttyFd_ < 0 || Clock::now() >= deadline) return std::nullopt;
  }
}

void Child::type(const std::string& keys) {
  // A few keys fit a terminal's input queue in one write.
  if (ttyFd_ >= 0 && ::write(ttyFd_, keys.data(), keys.size()) < 0) closeFd(ttyFd_);
}

void Child::signal(int number) {
  if (pid_ > 0 && exitStatus < 0) ::kill(pid_, number);
}

std::vector<std::string> isolatedEnvironment(const fs::path& home) {
  std::vector<std::string> env = {
      "PATH=/usr/local/bin:/usr/bin:/bin", "LC_ALL=C", "TZ=UTC", "TERM=dumb",
      "XDG_CONFIG_DIRS=" + (home / "no-system-config").string(),
      // The system's MIME database stays, so a PDF is known as one.
      "XDG_DATA_DIRS=/usr/local/share:/usr/share", "GIO_USE_VFS=local",
      // No desktop buses: without --to there is then no Bluetooth to find,
      // whatever this machine has.
      "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (home / "no-system-bus").string(),
      "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-session-bus").string()};
  // The resources folder stays empty unless a test puts a help document there.
  const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},
                                                         {"XDG_DATA_HOME", "data"},
                                                         {"XDG_CONFIG_HOME", "config"},
                                                         {"XDG_CACHE_HOME", "cache"},
                                                         {"WENDLOCK_RESOURCES", "resources"}};
  for (const auto& [name, sub] : folders) {
    fs::create_directories(home / sub);
    env.push_back(std::string(name) + "=" + (home / sub).string());
  }
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
  return static_cast<bool>(out << bytes << std::flush);
}

}  // namespace wendlock::e2e
