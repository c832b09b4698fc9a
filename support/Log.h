// NSLog: the diagnostic log. One line on standard error per call, stamped as
// the platform stamps it: local date and time with milliseconds, then the
// process name, its id and the thread id, then the formatted message.
//   NSLog(u"%@: %fs", {label, 0.25});
//   // 2026-12-06 17:19:25.123 wendlock[4242:4242] load: 0.250000s
#pragma once

#include <initializer_list>

#include "chars/Export.h"
#include "chars/StringFormat.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

void NSLog(const String& format, std::initializer_list<FormatArgument> args);

// The full line NSLog writes for `message` (without the newline), exposed so
// its shape can be checked.
[[nodiscard]] std::string logLine(const String& message);

}  // namespace orvin
ORVIN_PUBLIC_END
