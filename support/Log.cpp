#include "support/Log.h"

#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

namespace orvin {

std::string logLine(const String& message) {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[64];
  const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(stamp + n, sizeof stamp - n, ".%03ld", static_cast<long>(now.tv_usec / 1000));
  std::string line = stamp;
  line += ' ';
  line += program_invocation_short_name;
  line += '[' + std::to_string(getpid()) + ':' + std::to_string(syscall(SYS_gettid)) + "] ";
  line += message.toUtf8();
  return line;
}

void NSLog(const String& format, std::initializer_list<FormatArgument> args) {
  const std::string line = logLine(stringWithFormat(format, args)) + '\n';
  // One write per line keeps lines whole when several processes share stderr.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t wrote = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

namespace {

// Text of bytes that are meant to be UTF-8 but may not be.
String textOf(const std::string& bytes) {
  const String text = String::withUtf8(bytes);
  return text.isNil() ? String::withLatin1(bytes) : text;
}

}  // namespace

void NSLogGuardedException(const String& selector, const String& className,
                           const PlatformException& exception) {
  std::string stack;
  for (const std::string& symbol : exception.callStackSymbols()) {
    if (!stack.empty()) stack += '\n';
    stack += symbol;
  }
  NSLog(u"%@ (%@):\n%@\n%@\n%@",
        {selector, className, textOf(exception.name()), textOf(exception.reason()), textOf(stack)});
}

}  // namespace orvin
