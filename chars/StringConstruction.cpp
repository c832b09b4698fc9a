#include "chars/StringConstruction.h"

#include <cstring>

#include "chars/TextEncodings.h"

namespace orvin {

std::optional<MutableString> stringWithComponents(const String& first,
                                                  std::initializer_list<String> rest) {
  if (first.isNil()) return std::nullopt;
  MutableString joined(first);
  for (const String& part : rest) {
    if (part.isNil()) break;
    joined.appendString(u".");
    joined.appendString(part);
  }
  return joined;
}

String stringWithData(std::span<const std::uint8_t> data, NSUInteger encoding) {
  return stringWithBytes(data.data(), data.size(), encoding);
}

String stringWithCharacter(unichar c) {
  return String::withCharacters(&c, 1);
}

String stringWithCString(const char* bytes, NSUInteger length, NSUInteger encoding) {
  if (bytes == nullptr && length != 0) return String();
  return stringWithBytes(bytes, length, encoding);
}

String stringWithNullTerminatedCString(const char* bytes, NSUInteger encoding) {
  if (bytes == nullptr) return String();
  return stringWithBytes(bytes, std::strlen(bytes), encoding);
}

}  // namespace orvin
