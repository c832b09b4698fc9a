// A tour of the library on one text: what it is made of, its folded forms,
// and the dated file name the send service would give it.
#include <cstdio>
#include <string>

#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/MutableString.h"
#include "chars/StringPredicates.h"
#include "support/DateFormatters.h"

using namespace orvin;

namespace {

String mapUnits(const String& s, unichar (*map)(unichar)) {
  std::u16string units = s.toU16String();
  for (char16_t& c : units) c = map(c);
  return String(units);
}

void line(const char* label, const std::string& value) {
  std::printf("  %-28s %s\n", label, value.c_str());
}

const char* yesNo(bool b) {
  return b ? "yes" : "no";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string input = argc > 1 ? argv[1] : "Grüße aus Köln — 2 Tassen Kaffee";
  const String text = String::withUtf8(input);
  if (text.isNil()) {
    std::fprintf(stderr, "orvin_demo: the text is not valid UTF-8\n");
    return 2;
  }

  std::printf("Text: %s\n", input.c_str());
  line("UTF-16 code units", std::to_string(text.length()));
  line("storage", text.isCompact() ? "compact 8-bit" : "UTF-16");
  line("letters / digits / white", std::to_string(countAlphaCharacters(text)) + " / " +
                                       std::to_string(countDigitCharacters(text)) + " / " +
                                       std::to_string(countWhiteCharacters(text)));
  line("ASCII only", yesNo(isAsciiString(text)));
  line("has accented letters", yesNo(isUmlautedString(text)));

  MutableString upper(text);
  upper.uppercase();
  line("upper case", upper.toUtf8());
  MutableString folded(text);
  folded.foldDiacritics();
  line("accents removed", folded.toUtf8());
  line("ASCII fold (toAscii)", mapUnits(text, toAscii).toUtf8());
  const String shouted = mapUnits(text, umlautsToUpperAscii);
  line("accent- and case-free fold", shouted.toUtf8());
  line("equal to it, ignoring both", yesNo(isNonUmlautedEqualToStringNoCase(text, shouted)));

  // The name a pushed file gets: the short date and time, made safe for the
  // receiving file system.
  MutableString name(localizedShortDateTimeDescription(Date::now()));
  name.replaceOccurrencesOfString(u"/", u"-", 0, NSRange{0, name.length()});
  name.replaceOccurrencesOfString(u":", u"-", 0, NSRange{0, name.length()});
  name.appendString(u".txt");
  line("file name if sent now", name.toUtf8());
  return 0;
}
