// Running the real programs as a user does: child processes with their
// output on pipes, optionally on a pseudo-terminal of their own, every wait
// bounded so a hung child fails the test instead of hanging it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
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
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct Launch {
  std::vector<std::string> argv;     // argv[0] is the program's path
  std::vector<std::string> env;      // the child's whole environment, "NAME=value"
  std::optional<std::string> input;  // written to standard input, then closed
  // A pseudo-terminal as the controlling terminal and standard input; the
  // child's standard output and error stay on pipes. Without it the child
  // runs in a session of its own with no terminal at all.
  bool terminal = false;
};

// A started child. Output is gathered while waiting; exitStatus is the exit
// code, or 128 + the signal that ended it, or -1 while it runs.
//   Child c = Child::start({{"/bin/echo", "hi"}, {}});  c.waitExit();  // c.out == "hi\n"
class Child {
 public:
  [[nodiscard]] static Child start(const Launch& launch);
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  Child(const Child&) = delete;
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
  // Reads what is ready on the open descriptors, waiting at most `wait`.
  void pump(std::chrono::milliseconds wait);
  void reap();
  void closeAll();

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int inFd_ = -1;
  int ttyFd_ = -1;
  std::string pendingInput_;
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
