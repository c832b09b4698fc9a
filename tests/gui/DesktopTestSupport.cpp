#include "DesktopTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <glib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "service/platform/gtk/GtkDisplay.h"

extern char** environ;

namespace wendlock::desktoptest {
namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(double seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

std::string& missing() {
  static std::string why = "the X server was not started";
  return why;
}

class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xclip"}) {
      gchar* path = g_find_program_in_path(tool);
      const bool found = path != nullptr;
      g_free(path);
      if (!found) {
        missing() = std::string("needs ") + tool;
        return;
      }
    }
    // Xvfb picks a free display itself and names it once it is ready.
    server_ = Child::start(
        {"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"}, false);
    if (!server_ || !server_->waitForOutput("\n")) {
      missing() = "Xvfb did not start";
      return;
    }
    const std::string display = ":" + server_->output().substr(0, server_->output().find('\n'));
    setenv("DISPLAY", display.c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    unsetenv("WAYLAND_DISPLAY");
    missing() = ensureGtkDisplay() ? "" : "GTK cannot open " + display;
  }
  void TearDown() override { server_.reset(); }

 private:
  std::unique_ptr<Child> server_;
};

[[maybe_unused]] ::testing::Environment* const kXvfb =
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

}  // namespace

const std::string& displayMissing() {
  return missing();
}

std::unique_ptr<Child> Child::start(const std::vector<std::string>& argv, bool withErrors,
                                    const std::map<std::string, std::optional<std::string>>& env) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (!env.contains(entry.substr(0, entry.find('=')))) environment.push_back(entry);
  }
  for (const auto& [name, value] : env) {
    if (value) environment.push_back(name + "=" + *value);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(fds[1], 1);
    dup2(withErrors ? fds[1] : null, 2);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return nullptr;
  }
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  return std::unique_ptr<Child>(new Child(pid, fds[0]));
}

Child::~Child() {
  if (!status_) {
    kill(pid_, SIGTERM);
    kill(pid_, SIGCONT);
    const auto deadline = after(5);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        break;
      }
      poll(nullptr, 0, 10);
    }
  }
  close(fd_);
}

bool Child::drain() {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<std::size_t>(n));
    } else {
      return n < 0;  // 0: end of output; -1: nothing more for now
    }
  }
}

bool Child::waitForOutput(std::string_view text, double seconds) {
  const auto deadline = after(seconds);
  for (;;) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    const bool open = drain();
    if (output_.find(text) != std::string::npos) return true;
    if (!open || Clock::now() > deadline) return false;
    pollfd p{fd_, POLLIN, 0};
    poll(&p, 1, 10);
  }
}

std::optional<int> Child::waitForExit(double seconds) {
  const auto deadline = after(seconds);
  while (!status_) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    drain();
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      break;
    }
    if (Clock::now() > deadline) return std::nullopt;
    pollfd p{fd_, POLLIN, 0};
    poll(&p, 1, 10);
  }
  // Whatever it wrote before exiting; its descendants may hold the pipe.
  const auto rest = after(1);
  while (drain() && Clock::now() < rest) poll(nullptr, 0, 5);
  return status_;
}

Files::Files() {
  std::string pattern = (std::filesystem::temp_directory_path() / "wendlock-gui-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
}

Files::~Files() {
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string Files::write(std::string_view bytes) {
  const std::string path = (dir_ / ("f" + std::to_string(count_++))).string();
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
  return path;
}

std::unique_ptr<Child> startXclip(const std::string& selection, std::string_view bytes,
                                  Files& files) {
  auto child = Child::start({"xclip", "-quiet", "-selection", selection, "-i", files.write(bytes)});
  if (!child || !child->waitForOutput("Waiting for selection requests")) return nullptr;
  // It says so before its claim has reached the server. Only xclip offers
  // exactly this list (a GTK owner adds TIMESTAMP and more); window ids
  // cannot tell, as a new client may get a gone one's.
  const auto deadline = after(kPatience);
  while (readWithXclip(selection, "TARGETS") != "TARGETS\nUTF8_STRING\n") {
    if (Clock::now() > deadline) return nullptr;
    poll(nullptr, 0, 5);
  }
  return child;
}

std::unique_ptr<Child> startOwner(const std::string& selection,
                                  const std::vector<std::pair<std::string, std::string>>& targets,
                                  Files& files) {
  std::vector<std::string> argv = {SELECTION_OWNER, "--" + selection};
  for (const auto& [target, bytes] : targets) argv.push_back(target + "=" + files.write(bytes));
  auto child = Child::start(argv);
  if (!child || !child->waitForOutput("ready\n")) return nullptr;
  return child;
}

std::optional<std::string> readWithXclip(const std::string& selection, const std::string& target) {
  std::vector<std::string> argv = {"xclip", "-o", "-selection", selection};
  if (!target.empty()) argv.insert(argv.end(), {"-t", target});
  auto child = Child::start(argv, false);
  if (!child || child->waitForExit() != 0) return std::nullopt;
  return child->output();
}

}  // namespace wendlock::desktoptest

// GTK 3 keeps the one-byte buffer of the last, empty chunk of every
// incremental transfer it receives (gtkselection.c, the final zero-length
// portion); nothing of ours is allocated with g_memdup. GLib has no frame
// pointers, so only the slow unwinder sees that frame.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:g_memdup\n";
}
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
