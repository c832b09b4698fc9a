// Test support for rich text: attributed text as one comparable line, and
// the LibreOffice fixtures.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "support/formats/AttributedString.h"

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

// Attributes with the given styles.
//   style(true, false, false, 14, u"Arial")  // bold, 14 points, Arial
inline TextAttributes style(bool b, bool i = false, bool u = false, double size = 0,
                            const char16_t* font = nullptr) {
  TextAttributes a;
  a.bold = b;
  a.italic = i;
  a.underline = u;
  a.fontSize = size;
  if (font != nullptr) a.fontName = String(font);
  return a;
}

// The LibreOffice documents under tests/data/rtf, each with LibreOffice's
// own plain-text export beside it.
inline constexpr const char* kLibreOfficeFixtures[] = {"styled", "scripts", "link-table", "notes"};

// The bytes of tests/data/rtf/`name`.
//   fixture("styled.rtf")
inline std::string fixture(const std::string& name) {
  std::ifstream in(std::string(ORVIN_TEST_DATA_DIR) + "/rtf/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace orvin::test
