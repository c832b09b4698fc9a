// The desktop tests' X server and helper processes: one Xvfb per test
// process (no window manager), started before the first test and gone after
// the last, and children whose every wait is bounded and who are killed
// when their object goes.
#pragma once

#include <sys/types.h>

#include <functional>
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

// Runs this process's main context (serving selection requests, showing
// dialogs) until `done()`; false when kPatience runs out first.
bool runUntil(const std::function<bool()>& done);

// A child process with its output on a pipe.
class Child {
 public:
  // Starts argv (argv[0] looked up in PATH) with `input` as its standard
  // input and standard error on the pipe too when `withErrors`. nullptr
  // when it cannot start.
  static std::unique_ptr<Child> start(const std::vector<std::string>& argv,
                                      std::string_view input = {}, bool withErrors = true);
  // Terminates (SIGCONT, SIGTERM, then SIGKILL) and reaps it.
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Runs the main context and collects output until `done(output)`; false
  // when the child exits or the time is up first.
  bool waitUntil(const std::function<bool(const std::string&)>& done);
  bool waitForOutput(std::string_view text) {
    return waitUntil([text](const std::string& out) { return out.find(text) != out.npos; });
  }
  // Its exit status (or 128 + signal), or nullopt when it did not exit in
  // time.
  std::optional<int> waitForExit() {
    return waitUntil([this](const std::string&) { return status_.has_value(); }) ? status_
                                                                                 : std::nullopt;
  }

  [[nodiscard]] const std::string& output() const { return output_; }
  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  Child(pid_t pid, int out) : pid_(pid), out_(out) {}
  void drain();

  pid_t pid_;
  int out_;
  std::string output_;
  std::optional<int> status_;
};

// xclip owning `selection` ("primary", "clipboard") with `bytes`, ready.
[[nodiscard]] std::unique_ptr<Child> startXclip(const std::string& selection,
                                                std::string_view bytes);

// The test selection owner on `selection` offering each target with its
// bytes, ready; with `exitOnRequest` it exits when first asked for data.
[[nodiscard]] std::unique_ptr<Child> startOwner(
    const std::string& selection, const std::vector<std::pair<std::string, std::string>>& targets,
    bool exitOnRequest = false);

// What `xclip -o -selection <selection> [-t target]` prints, while this
// process serves it; nullopt when xclip fails.
[[nodiscard]] std::optional<std::string> readWithXclip(const std::string& selection,
                                                       const std::string& target = "");

}  // namespace wendlock::desktoptest
