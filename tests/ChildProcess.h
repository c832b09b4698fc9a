// Test support: run a piece of a test in a forked child, for what a process
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
    ::close(channel[0]);
    const std::string out = work();
    std::size_t sent = 0;
    while (sent < out.size()) {
      const ssize_t n = ::write(channel[1], out.data() + sent, out.size() - sent);
      if (n <= 0) ::_exit(1);
      sent += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string out;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0) out.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return "<child failed>";
  }
  return out;
}

// Runs `check` in a child that gave up root (as "nobody"), so that
// permission checks apply; answers the check's result. Without root the
// child runs as the current user.
inline bool runUnprivileged(const std::function<bool()>& check) {
  return inChild([&]() -> std::string {
           if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return "no";
           return check() ? "yes" : "no";
         }) == "yes";
}

}  // namespace orvin::test
