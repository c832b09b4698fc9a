#include "chars/UnicodeConverters.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <limits>

#include "chars/TextEncodings.h"

namespace orvin {
namespace {

constexpr NSUInteger kMaxIcuLength = static_cast<NSUInteger>(std::numeric_limits<int32_t>::max());

bool fitsIcu(NSUInteger length) {
  return length <= kMaxIcuLength;
}

// ICU signals an exactly filled destination with a warning (negative code);
// only errors count as failure.
std::int32_t finish(UErrorCode status, NSUInteger produced, NSUInteger* written) {
  const bool failed = U_FAILURE(status);
  if (written != nullptr) *written = failed ? 0 : produced;
  return failed ? static_cast<std::int32_t>(status) : 0;
}

std::int32_t fail(UErrorCode status, NSUInteger* written) {
  return finish(status, 0, written);
}

// One call of u_strFromUTF8 or u_strToUTF8 with the checks both need.
template <class From, class To, class Convert>
std::int32_t convertWithIcu(Convert convert, const From* source, NSUInteger sourceLength,
                            To* destination, NSUInteger capacity, NSUInteger* written) {
  if ((source == nullptr && sourceLength != 0) || (destination == nullptr && capacity != 0) ||
      !fitsIcu(sourceLength)) {
    return fail(U_ILLEGAL_ARGUMENT_ERROR, written);
  }
  static constexpr From kNothing[1] = {};
  UErrorCode status = U_ZERO_ERROR;
  int32_t produced = 0;
  convert(destination, static_cast<int32_t>(std::min(capacity, kMaxIcuLength)), &produced,
          source != nullptr ? source : kNothing, static_cast<int32_t>(sourceLength), &status);
  return finish(status, static_cast<NSUInteger>(produced), written);
}

}  // namespace

void initUnicodeConverters() noexcept {}

std::int32_t convertUTF8ToUnicode(const char* source, NSUInteger sourceLength, unichar* destination,
                                  NSUInteger capacity, NSUInteger* written) {
  return convertWithIcu(u_strFromUTF8, source, sourceLength, destination, capacity, written);
}

std::int32_t convertUnicodeToUTF8(const unichar* source, NSUInteger sourceLength, char* destination,
                                  NSUInteger capacity, NSUInteger* written) {
  return convertWithIcu(u_strToUTF8, source, sourceLength, destination, capacity, written);
}

std::int32_t convertEncodingToUnicode(const void* source, NSUInteger sourceLength,
                                      std::uint32_t encoding, unichar* destination,
                                      NSUInteger capacity, NSUInteger* written) {
  if ((source == nullptr && sourceLength != 0) || (destination == nullptr && capacity != 0)) {
    return fail(U_ILLEGAL_ARGUMENT_ERROR, written);
  }
  if (!isEncodingSupported(encoding)) return fail(U_UNSUPPORTED_ERROR, written);
  const String text = stringWithBytes(source, sourceLength, encoding);
  // Supported encoding, so nil means bytes not valid in it (or no memory).
  if (text.isNil()) return fail(U_INVALID_CHAR_FOUND, written);
  if (text.length() > capacity) return fail(U_BUFFER_OVERFLOW_ERROR, written);
  if (!text.isEmpty()) text.getCharacters(destination, NSRange{0, text.length()});
  return finish(U_ZERO_ERROR, text.length(), written);
}

}  // namespace orvin
