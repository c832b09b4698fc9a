// Running the real programs as a user does: child processes with their
// output gathered, optionally on a pseudo-terminal of their own, every wait
// bounded so a hung child fails the test instead of hanging it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wendlock::e2e {

namespace fs = std::filesystem;

// Long enough for a sanitizer build on a loaded machine; nothing measures
// time against it.
inline constexpr std::chrono::seconds kPatience{30};

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
//   TempDir dir;  fs::create_directory(dir.path() / "in");
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct Launch {
  std::vector<std::string> argv;     // argv[0] is the program's path
  std::vector<std::string> env;      // the child's whole environment, "NAME=value"
  std::optional<std::string> input;  // written to standard input, then closed
  // A pseudo-terminal as the controlling terminal and standard input; the
  // child's standard output and error stay in files. Without it the child
  // runs in a session of its own with no terminal at all.
  bool terminal = false;
};

// A process id or descriptor that a move hands over, leaving -1 behind, so
// that a Child moves without a hand-written move.
struct Handle {
  int value = -1;
  Handle() = default;
  Handle(Handle&& other) noexcept : value(std::exchange(other.value, -1)) {}
  Handle& operator=(int v) { return value = v, *this; }
  operator int() const { return value; }  // NOLINT(google-explicit-constructor)
};

// A started child. Its standard output and error go to anonymous files,
// read again whenever the test waits, so that what a child leaves running
// (a viewer) cannot hold the test up. exitStatus is the exit code, or 128 +
// the signal that ended it, or -1 while it runs.
//   Child c = Child::start({{"/bin/echo", "hi"}, {}});  c.waitExit();  // c.out == "hi\n"
class Child {
 public:
  [[nodiscard]] static Child start(const Launch& launch);
  Child(Child&&) noexcept = default;
  ~Child();  // kills a child that still runs

  // Waits for the child to end and gathers its output; a child still
  // running after `patience` is killed and the answer is false.
  [[nodiscard]] bool waitExit(std::chrono::milliseconds patience = kPatience);
  // Waits until the terminal's output (with "\r" dropped) holds `text`
  // after `from`; answers its position or nullopt on time-out or EOF.
  [[nodiscard]] std::optional<std::size_t> waitForTerminal(const std::string& text,
                                                           std::size_t from = 0);
  // Types `keys` on the child's terminal.
  void type(const std::string& keys);
  // Sends a signal if the child still runs.
  void signal(int number);
  // Gathers output for up to `wait`; answers whether the child still runs.
  [[nodiscard]] bool running(std::chrono::milliseconds wait);

  std::string out;  // standard output
  std::string err;  // standard error
  std::string tty;  // everything written to the terminal, "\r" dropped
  int exitStatus = -1;

 private:
  Child() = default;
  // Reads the terminal for up to `wait` and the output files; answers
  // whether the terminal had anything.
  bool pump(std::chrono::milliseconds wait);
  void reap();

  Handle pid_, outFd_, errFd_, ttyFd_;
};

// The environment every program under test gets: a locale and time zone
// that fix the file name's shape; home, data and configuration folders
// inside `home`, no display and no reachable D-Bus, so that nothing of the
// user's desktop takes part. Sanitizer options pass through.
//   auto env = isolatedEnvironment(dir.path());
[[nodiscard]] std::vector<std::string> isolatedEnvironment(const fs::path& home);

// The whole content of a file, or nullopt when it cannot be read.
[[nodiscard]] std::optional<std::string> readFile(const fs::path& path);
// Writes `bytes` to `path`; false on failure.
[[nodiscard]] bool writeFile(const fs::path& path, const std::string& bytes);

}  // namespace wendlock::e2e
