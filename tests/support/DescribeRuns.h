// Test support: attributed text as one comparable line.
#pragma once

#include <string>

#include "support/AttributedString.h"

namespace orvin::test {

// Runs as "text/flags|text/flags"; flags from b, i, u, s<size>, f<font>, a
// (attachment). Sizes print in half points at most: "s10.5".
//   describe(s)  // "plain/|fett/b|groß/s18"
inline std::string describe(const AttributedString& s) {
  std::string out;
  const std::u16string text = s.string().toU16String();
  for (const AttributeRun& run : s.runs()) {
    if (!out.empty()) out += '|';
    out += String(text.substr(run.range.location, run.range.length)).toUtf8() + "/";
    const TextAttributes& a = run.attributes;
    if (a.bold) out += 'b';
    if (a.italic) out += 'i';
    if (a.underline) out += 'u';
    if (a.fontSize > 0) {
      out += "s" + std::to_string(static_cast<int>(a.fontSize));
      if (static_cast<long>(a.fontSize * 2) % 2 != 0) out += ".5";
    }
    if (!a.fontName.isNil()) out += "f" + a.fontName.toUtf8();
    if (a.attachment) out += 'a';
  }
  return out;
}

}  // namespace orvin::test
