// Mail unwrapping and tab conversion on arbitrary text in both storage
// forms: no crash, results never longer than they may be, and converting
// spaces to tabs never changes what the text looks like once tabs are
// expanded again.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "chars/MutableString.h"
#include "chars/String.h"
#include "strings/MailReflow.h"
#include "strings/Tabs.h"

using orvin::MutableString;
using orvin::NSUInteger;
using orvin::String;

namespace {

// Code units that the operations treat specially, so that short inputs
// reach every branch; the rest of the input is taken as raw code units.
constexpr char16_t kAlphabet[] = {
    u' ',   u'\t',  u'\n',  u'\r',  u'a',   u':',   u'>',   u'-',   u'/',   u'}',   u'\0', u'\f',
    0x0003, 0x000B, 0x00A0, 0x2028, 0x2029, 0xFEFF, 0xFFFC, 0x3000, 0xD83D, 0xDE00, u'.',  u'b',
};

std::u16string textOf(const std::uint8_t* data, std::size_t size, bool raw) {
  std::u16string text;
  if (raw) {
    for (std::size_t i = 0; i + 1 < size; i += 2)
      text.push_back(char16_t(data[i] | data[i + 1] << 8));
  } else {
    for (std::size_t i = 0; i < size; ++i)
      text.push_back(kAlphabet[data[i] % std::size(kAlphabet)]);
  }
  return text;
}

void check(const String& s, NSUInteger width) {
  const String mail = orvin::reformattedMailing(s);
  if (mail.length() > s.length()) std::abort();
  (void)orvin::reformattedStringByRemovingCharactersOfString(s, u">");

  MutableString expanded(s);
  orvin::decodeTabs(expanded, width);
  MutableString roundTrip(s);
  orvin::encodeTabs(roundTrip, width);
  if (roundTrip.length() > s.length()) std::abort();
  orvin::decodeTabs(roundTrip, width);
  // A huge width leaves tabs in place (no room for the spaces): nothing to compare.
  const std::u16string decoded = expanded.toU16String();
  if (decoded.find(u'\t') != std::u16string::npos) return;
  if (roundTrip != expanded) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: the tab width (0 to 15, or a huge one) and the input mode.
  const std::uint8_t head = data[0];
  const NSUInteger width = (head & 0x40) != 0 ? ~NSUInteger{0} - (head & 0x0F) : head & 0x0F;
  const std::u16string text = textOf(data + 1, size - 1, (head & 0x80) != 0);

  const String utf16(text);
  check(utf16, width);
  std::string latin1;
  for (char16_t c : text) {
    if (c > 0xFF) return 0;
    latin1.push_back(static_cast<char>(c));
  }
  check(String::withLatin1(latin1), width);
  return 0;
}
