// NSLog: the diagnostic log. One line on standard error per call, stamped as
// the platform stamps it: local date and time with milliseconds, then the
// process name, its id and the thread id, then the formatted message.
//   NSLog(u"%@: %fs", {label, 0.25});
//   // 2026-12-06 17:19:25.123 wendlock[4242:4242] load: 0.250000s
#pragma once

#include <initializer_list>

#include "chars/Export.h"
#include "chars/PlatformException.h"
#include "chars/StringFormat.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

void NSLog(const String& format, std::initializer_list<FormatArgument> args);

// Logs an exception that a guard caught, as the platform's guards do:
// "%@ (%@):\n%@\n%@\n%@" with the guarded operation's selector name, the
// receiver's class name, and the exception's name, reason and call stack
// (one symbol a line).
//   catch (const PlatformException& e) { NSLogGuardedException(u"paste:", u"Editor", e); }
void NSLogGuardedException(const String& selector, const String& className,
                           const PlatformException& exception);

// The full line NSLog writes for `message` (without the newline), exposed so
// its shape can be checked.
[[nodiscard]] std::string logLine(const String& message);

}  // namespace orvin
ORVIN_PUBLIC_END
