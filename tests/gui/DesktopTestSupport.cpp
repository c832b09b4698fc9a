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

#include "service/platform/gtk/GtkDesktop.h"
#include "service/platform/gtk/GtkDisplay.h"

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
    signal(SIGPIPE, SIG_IGN);  // a child that dies early fails its test only
    for (const char* tool : {"Xvfb", "xclip", "xdotool", "import"}) {
      const std::unique_ptr<gchar, void (*)(gpointer)> path(g_find_program_in_path(tool), g_free);
      if (!path) {
        missing() = std::string("needs ") + tool;
        return;
      }
    }
    // Xvfb picks a free display itself and names it once it is ready.
    server_ = Child::start(
        {"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"}, {}, false);
    if (!server_ || !server_->waitForOutput("\n")) {
      missing() = "Xvfb did not start";
      return;
    }
    const std::string display = ":" + server_->output().substr(0, server_->output().find('\n'));
    setenv("DISPLAY", display.c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    unsetenv("WAYLAND_DISPLAY");
    missing() = ensureGtkDisplay() ? "" : "GTK cannot open " + display;
    // GTK is linked in here: the desktop needs no module.
    setDesktopEntry(openGtkDesktop);
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

std::unique_ptr<Child> Child::start(const std::vector<std::string>& argv, std::string_view input,
                                    bool withErrors) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return nullptr;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(withErrors ? out[1] : open("/dev/null", O_WRONLY), 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  while (!input.empty()) {
    const ssize_t n = write(in[1], input.data(), input.size());
    if (n <= 0) break;
    input.remove_prefix(static_cast<std::size_t>(n));
  }
  close(in[1]);
  if (pid < 0) {
    close(out[0]);
    return nullptr;
  }
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  return std::unique_ptr<Child>(new Child(pid, out[0]));
}

Child::~Child() {
  if (!status_) {
    kill(pid_, SIGTERM);
    kill(pid_, SIGCONT);
    const auto deadline = after(5);
    bool reaped = false;
    while (!(reaped = waitpid(pid_, nullptr, WNOHANG) != 0) && Clock::now() < deadline) {
      poll(nullptr, 0, 10);
    }
    if (!reaped) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  close(out_);
}

void Child::drain() {
  char buffer[65536];
  for (ssize_t n; (n = read(out_, buffer, sizeof buffer)) > 0;) {
    output_.append(buffer, static_cast<std::size_t>(n));
  }
}

bool Child::waitUntil(const std::function<bool(const std::string&)>& done) {
  const auto reapAndRead = [&] {
    int raw = 0;
    if (!status_ && waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    drain();  // after the reaping, so that it holds all the child wrote
    return done(output_) || status_;
  };
  return runUntil(reapAndRead) && done(output_);
}

bool runUntil(const std::function<bool()>& done) {
  const auto deadline = after(kPatience);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    poll(nullptr, 0, 5);
  }
  return true;
}

std::unique_ptr<Child> startXclip(const std::string& selection, std::string_view bytes) {
  auto child = Child::start({"xclip", "-quiet", "-selection", selection, "-i"}, bytes);
  if (!child || !child->waitForOutput("Waiting for selection requests")) return nullptr;
  // It says so before its claim has reached the server. Only xclip offers
  // exactly this list (a GTK owner adds TIMESTAMP and more); window ids
  // cannot tell, as a new client may get a gone one's.
  const bool claimed =
      runUntil([&] { return readWithXclip(selection, "TARGETS") == "TARGETS\nUTF8_STRING\n"; });
  return claimed ? std::move(child) : nullptr;
}

std::unique_ptr<Child> startOwner(const std::string& selection,
                                  const std::vector<std::pair<std::string, std::string>>& targets,
                                  bool exitOnRequest) {
  std::string input;
  for (const auto& [target, bytes] : targets) {
    input += std::to_string(bytes.size()) + " " + target + "\n" + bytes;
  }
  std::vector<std::string> argv = {SELECTION_OWNER, "--" + selection};
  if (exitOnRequest) argv.emplace_back("--exit-on-request");
  auto child = Child::start(argv, input);
  if (!child || !child->waitForOutput("ready\n")) return nullptr;
  return child;
}

std::optional<std::string> readWithXclip(const std::string& selection, const std::string& target) {
  std::vector<std::string> argv = {"xclip", "-o", "-selection", selection};
  if (!target.empty()) argv.insert(argv.end(), {"-t", target});
  auto child = Child::start(argv, {}, false);
  if (!child || child->waitForExit() != 0) return std::nullopt;
  return child->output();
}

}  // namespace wendlock::desktoptest

// GTK 3 keeps the one-byte buffer of the last, empty chunk of every
// incremental transfer it receives (gtkselection.c, the final zero-length
// portion); nothing of ours is allocated with g_memdup. GLib has no frame
// pointers, so only the slow unwinder sees that frame. Fontconfig's font
// caches, filled when a dialog first lays out text, live to the end.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:g_memdup\nleak:libfontconfig.so\n";
}
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
