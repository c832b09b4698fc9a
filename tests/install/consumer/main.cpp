// Uses the installed library: formatting and caseless comparison, which
// need the headers, the archive and ICU behind it.
#include <cstdio>

#include "chars/CharacterBufferCompare.h"
#include "chars/String.h"
#include "chars/StringFormat.h"

int main() {
  const orvin::String text = orvin::stringWithFormat(u"%@ %d", {orvin::String(u"orvin"), 2});
  const bool caseless = orvin::caseInsensitiveCompareCharacters(u"abc", 3, u"ABC", 3) == 0;
  std::printf("%s %s\n", text.toUtf8().c_str(), caseless ? "caseless" : "cased");
  return text.toUtf8() == "orvin 2" && caseless ? 0 : 1;
}
