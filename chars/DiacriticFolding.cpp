#include "chars/DiacriticFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <limits>

namespace orvin {
namespace {

bool isNonspacingMark(UChar32 c) {
  return (U_GET_GC_MASK(c) & U_GC_MN_MASK) != 0;
}

// Appends the code points of `text` that are not nonspacing marks to `out`;
// answers whether any mark was dropped.
bool appendWithoutNonspacingMarks(const icu::UnicodeString& text, icu::UnicodeString& out) {
  const char16_t* units = text.getBuffer();
  const int32_t length = text.length();
  bool dropped = false;
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U16_NEXT(units, i, length, c);
    if (isNonspacingMark(c)) {
      dropped = true;
    } else {
      out.append(c);
    }
  }
  return dropped;
}

}  // namespace

std::u16string foldDiacritics(std::u16string_view text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    return std::u16string(text);  // beyond ICU's 32-bit lengths
  }
  UErrorCode error = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(error);
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(error);
  if (U_FAILURE(error)) return std::u16string(text);

  const icu::UnicodeString source(false, text.data(), static_cast<int32_t>(text.size()));
  icu::UnicodeString decomposed;
  nfd->normalize(source, decomposed, error);
  if (U_FAILURE(error)) return std::u16string(text);
  icu::UnicodeString stripped;
  appendWithoutNonspacingMarks(decomposed, stripped);
  icu::UnicodeString composed;
  nfc->normalize(stripped, composed, error);
  if (U_FAILURE(error) || stripped.isBogus() || composed.isBogus()) return std::u16string(text);
  return std::u16string(composed.getBuffer(), static_cast<std::size_t>(composed.length()));
}

unichar foldDiacriticsOfCodeUnit(unichar c) noexcept {
  UErrorCode error = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(error);
  if (U_FAILURE(error)) return c;
  icu::UnicodeString decomposition;
  // Without a decomposition NFD and NFC leave c alone; a lone mark would fold
  // to nothing, which is not one code unit either.
  if (!nfd->getDecomposition(c, decomposition)) return c;

  icu::UnicodeString stripped;
  const bool dropped = appendWithoutNonspacingMarks(decomposition, stripped);
  // Nothing dropped means the fold is NFC(c), which is c whenever c passes the
  // NFC quick check (all Hangul syllables, for one): skips most of the work.
  if (!dropped && u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) == UNORM_YES) return c;

  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(error);
  if (U_FAILURE(error)) return c;
  icu::UnicodeString composed;
  nfc->normalize(stripped, composed, error);
  if (U_FAILURE(error) || composed.length() != 1) return c;
  return composed.charAt(0);
}

}  // namespace orvin
