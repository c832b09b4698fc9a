// Test support: run part of a test in a forked child, for what a process
// can do only once (fill its process-wide caches) or must not do to the
// test runner (give up root).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace orvin::test {

// Runs `work` in a child and answers what it returned, or "<child failed>".
//   EXPECT_EQ(inChild([] { return homeDirectory().toUtf8(); }), "/h");
inline std::string inChild(const std::function<std::string()>& work) {
  int channel[2];
  if (::pipe(channel) != 0) return "<child failed>";
  const pid_t child = ::fork();
  if (child == 0) {
    // A throw must not unwind into the test runner: the child would carry
    // on as a second runner, in the parent's folders.
    std::string out;
    try {
      out = work();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(::write(channel[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0
                                                                                            : 1);
  }
  ::close(channel[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  const bool ok = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  return ok ? out : "<child failed>";
}

// Runs `check` in a child that gave up root (as "nobody"), so that file
// permissions apply, and answers its result.
inline bool runUnprivileged(const std::function<bool()>& check) {
  return inChild([&] {
           const bool dropped = ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
           return dropped && check() ? "yes" : "no";
         }) == "yes";
}

}  // namespace orvin::test
