#include "support/StringDumps.h"

#include <unicode/utf16.h>

#include <string>

#include "chars/InlineCharacterBuffer.h"
#include "support/Log.h"

namespace orvin {
namespace {

constexpr NSInteger kUnitsPerRow = 12;
constexpr NSInteger kValuesPerRow = 8;

// Four lower-case hexadecimal digits, as "%04x" writes them.
void appendHex4(std::u16string& out, unichar c) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kDigits[(c >> shift) & 0xF]);
}

// What the character column shows for the unit at `i`. A surrogate pair
// that a row break cuts counts as unpaired: each row must be valid text.
unichar shownUnit(InlineCharacterBuffer& in, NSInteger i) {
  const unichar c = in.at(i);
  const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
  const bool rowEnd = (i + 1) % kUnitsPerRow == 0;
  const bool rowStart = i % kUnitsPerRow == 0;
  const bool unpaired = (U16_IS_LEAD(c) && (rowEnd || !U16_IS_TRAIL(in.at(i + 1)))) ||
                        (U16_IS_TRAIL(c) && (rowStart || !U16_IS_LEAD(in.at(i - 1))));
  return control || unpaired ? u'.' : c;
}

}  // namespace

void dump(const String& s) {
  InlineCharacterBuffer in(s);
  const NSInteger n = in.length();
  if (n == 0) return;
  std::u16string out, chars, hex;
  out.reserve(static_cast<std::size_t>(n) * 6 + 2);
  chars.reserve(kUnitsPerRow);
  hex.reserve(kUnitsPerRow * 5);
  for (NSInteger i = 0; i < n; ++i) {
    chars.push_back(shownUnit(in, i));
    appendHex4(hex, in.at(i));
    hex.push_back(u' ');
    if ((i + 1) % kUnitsPerRow == 0 || i + 1 == n) {
      chars.resize(kUnitsPerRow, u' ');
      out.append(chars).append(u": ").append(hex).push_back(u'\n');
      chars.clear();
      hex.clear();
    }
  }
  NSLog(n > kUnitsPerRow ? u"\n%@\n" : u"%@", {String(out)});
}

void dumpAsArray(const String& s) {
  InlineCharacterBuffer in(s);
  const NSInteger n = in.length();
  if (n == 0) return;
  std::u16string out = u"unichar string[] = {\n\t";
  out.reserve(out.size() + static_cast<std::size_t>(n) * 9 + 6);
  for (NSInteger i = 0; i < n; ++i) {
    out.append(u"0x");
    appendHex4(out, in.at(i));
    if (i + 1 == n) {
      out.append(u"\n};\n ");
    } else {
      out.append((i + 1) % kValuesPerRow == 0 ? u",\n\t" : u", ");
    }
  }
  NSLog(u"\n%@:\n%@", {s, String(out)});
}

}  // namespace orvin
