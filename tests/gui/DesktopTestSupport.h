// The desktop tests' X server and helper processes: one Xvfb per test
// process (no window manager), started before the first test and gone after
// the last, and children whose every wait is bounded and who are killed
// when their object goes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wendlock::desktoptest {

// Long enough for a sanitizer build on a loaded machine; nothing is timed.
inline constexpr double kPatience = 20.0;

// Empty when the test process has its Xvfb and GTK is open on it; else why
// not (the tests then skip).
[[nodiscard]] const std::string& displayMissing();

#define REQUIRE_DISPLAY()                                        \
  do {                                                           \
    if (!::wendlock::desktoptest::displayMissing().empty())      \
      GTEST_SKIP() << ::wendlock::desktoptest::displayMissing(); \
  } while (0)

// A child process with its output on a pipe.
class Child {
 public:
  // Starts argv (argv[0] looked up in PATH) with standard output, and
  // standard error too when `withErrors`, on the pipe; `env` sets (or, for
  // nullopt, removes) variables. nullptr when it cannot start.
  static std::unique_ptr<Child> start(
      const std::vector<std::string>& argv, bool withErrors = true,
      const std::map<std::string, std::optional<std::string>>& env = {});
  // Terminates (SIGCONT, SIGTERM, then SIGKILL) and reaps it.
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Runs this process's main context (the child may be asking it for a
  // selection) and collects output until the output holds `text`.
  bool waitForOutput(std::string_view text, double seconds = kPatience);
  // The same until the child exits; its exit status (or 128 + signal), or
  // nullopt when it did not exit in time.
  std::optional<int> waitForExit(double seconds = kPatience);

  [[nodiscard]] const std::string& output() const { return output_; }
  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  Child(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
  bool drain();  // false at end of output

  pid_t pid_;
  int fd_;
  std::string output_;
  std::optional<int> status_;
};

// A folder of files for one test, removed with them.
class Files {
 public:
  Files();
  ~Files();
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;
  // Writes `bytes` to a new file of the folder; its path.
  std::string write(std::string_view bytes);

 private:
  std::filesystem::path dir_;
  int count_ = 0;
};

// xclip owning `selection` ("primary", "clipboard") with `bytes`, ready.
[[nodiscard]] std::unique_ptr<Child> startXclip(const std::string& selection,
                                                std::string_view bytes, Files& files);

// The test selection owner on `selection` offering each target with its
// bytes, ready.
[[nodiscard]] std::unique_ptr<Child> startOwner(
    const std::string& selection, const std::vector<std::pair<std::string, std::string>>& targets,
    Files& files);

// What `xclip -o -selection <selection> [-t target]` prints, while this
// process serves it; nullopt when xclip fails.
[[nodiscard]] std::optional<std::string> readWithXclip(const std::string& selection,
                                                       const std::string& target = "");

}  // namespace wendlock::desktoptest
