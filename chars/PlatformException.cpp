#include "chars/PlatformException.h"

#include <execinfo.h>

#include <cstdio>
#include <cstdlib>

namespace orvin {
namespace {
std::vector<std::string> captureCallStack() {
  void* frames[64];
  const int count = backtrace(frames, 64);
  std::vector<std::string> symbols;
  char** names = backtrace_symbols(frames, count);
  if (names == nullptr) return symbols;
  // Frame 0 is this function and frame 1 the constructor: not the caller's.
  for (int i = 2; i < count; ++i) symbols.emplace_back(names[i]);
  std::free(names);
  return symbols;
}
}  // namespace

PlatformException::PlatformException(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)), callStack_(captureCallStack()) {}

void raiseRangeException(const char* what, unsigned long long location, unsigned long long length,
                         unsigned long long limit) {
  char reason[256];
  std::snprintf(reason, sizeof reason, "%s: range {%llu, %llu} out of bounds; string length %llu",
                what, location, length, limit);
  throw PlatformException(NSRangeException, reason);
}

}  // namespace orvin
