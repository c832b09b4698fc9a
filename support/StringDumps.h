// Diagnostic views of a string: the string itself (what an attributed
// string answers for its text), and its code units written to the
// diagnostic log (NSLog) as a table or as a C array initializer.
//
// These sit with the log rather than with the other string operations of
// strings/ because they write to it. Nothing is logged for a nil or empty
// string.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN

namespace orvin {

// The string itself, shared storage and all.
//   string(s).isIdenticalTo(s)  // true
[[nodiscard]] inline String string(const String& s) {
  return s;
}

// Logs rows of 12 characters, ": ", then their 12 code units as "%04x ".
// Controls (U+0000-U+001F, U+007F-U+009F), U+2028, U+2029 and unpaired
// surrogates show as "." in the character column so that the log and the
// terminal stay intact; the hexadecimal column keeps the true value. A
// string of more than 12 code units is logged on lines of its own.
//   dump(u"Hello");  // ... wendlock[1:1] Hello       : 0048 0065 006c 006c 006f
void dump(const String& s);

// Logs the string, then its code units as "unichar string[] = {...};", eight
// values a row.
//   dumpAsArray(u"Hi");  // ... Hi:\nunichar string[] = {\n\t0x0048, 0x0069\n};\n
void dumpAsArray(const String& s);

}  // namespace orvin

ORVIN_PUBLIC_END
