// Decodes arbitrary bytes as UTF-8 and Latin-1 and checks that what decodes
// encodes back to the same bytes, and that edits never step outside a string.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "chars/MutableString.h"
#include "chars/String.h"

using orvin::MutableString;
using orvin::NSRange;
using orvin::String;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const String utf8 = String::withUtf8(bytes);
  if (!utf8.isNil() && utf8.toUtf8() != bytes) std::abort();

  const String latin1 = String::withLatin1(bytes);
  if (String::withUtf8(latin1.toUtf8()) != latin1) std::abort();

  // Edits driven by the input: every range is clamped, so none may raise.
  MutableString m(latin1);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const std::uint64_t at = m.length() == 0 ? 0 : data[i] % (m.length() + 1);
    const std::uint64_t len = (m.length() - at) == 0 ? 0 : data[i + 1] % (m.length() - at + 1);
    switch (data[i] & 3) {
      case 0:
        m.deleteCharactersInRange(NSRange{at, len});
        break;
      case 1:
        m.insertString(utf8, at);
        break;
      case 2:
        m.replaceCharactersInRange(NSRange{at, len},
                                   latin1.substring(NSRange{0, len % (latin1.length() + 1)}));
        break;
      default:
        m.appendString(m);
        break;
    }
    if (m.length() > 1 << 16) break;
  }
  return 0;
}
