// The one exception class of the platform layer. It is raised only where the
// platform itself would raise (an index or range outside a string, a
// collection changed while enumerated, rich text that cannot be produced);
// every other failure is a result (nil, false, 0, NSNotFound, "").
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

inline constexpr const char* NSRangeException = "NSRangeException";
inline constexpr const char* NSInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* NSGenericException = "NSGenericException";

class PlatformException : public std::exception {
 public:
  // Captures the call stack of the raising thread.
  PlatformException(std::string name, std::string reason);

  const std::string& name() const noexcept { return name_; }
  const std::string& reason() const noexcept { return reason_; }
  const std::vector<std::string>& callStackSymbols() const noexcept { return callStack_; }
  // The platform's description of an exception: its reason.
  const std::string& description() const noexcept { return reason_; }
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string name_;
  std::string reason_;
  std::vector<std::string> callStack_;
};

// Raises NSRangeException with a reason naming `what`, the offending index or
// range and the length it had to fit.
[[noreturn]] void raiseRangeException(const char* what, unsigned long long location,
                                      unsigned long long length, unsigned long long limit);

}  // namespace orvin
ORVIN_PUBLIC_END
