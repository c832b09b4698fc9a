#include "paths/Base64.h"

#include <array>
#include <new>
#include <type_traits>

#include "chars/StandardWalk.h"
#include "chars/TextEncodings.h"

namespace orvin {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decoding value of each byte: 0-63 for the alphabet, then the classes below.
constexpr std::uint8_t kSkip = 64;
constexpr std::uint8_t kPad = 65;
constexpr std::uint8_t kInvalid = 255;

constexpr std::array<std::uint8_t, 256> makeValues() {
  std::array<std::uint8_t, 256> values{};
  values.fill(kInvalid);
  for (std::uint8_t i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = i;
  for (const char c : {'\r', '\n', ' ', '\t'}) values[static_cast<unsigned char>(c)] = kSkip;
  values['='] = kPad;
  return values;
}
constexpr std::array<std::uint8_t, 256> kValues = makeValues();

template <class Unit>
std::optional<Bytes> decodeUnits(const Unit* units, std::size_t count) {
  Bytes out;
  out.reserve(count / 4 * 3 + 2);
  std::uint32_t group = 0;
  int filled = 0;
  int pads = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const auto unit = static_cast<std::make_unsigned_t<Unit>>(units[i]);
    const std::uint8_t value = unit < 256 ? kValues[unit] : kInvalid;
    if (value < 64) {
      if (pads != 0) return std::nullopt;
      group = (group << 6) | value;
      if (++filled == 4) {
        out.push_back(static_cast<std::uint8_t>(group >> 16));
        out.push_back(static_cast<std::uint8_t>(group >> 8));
        out.push_back(static_cast<std::uint8_t>(group));
        group = 0;
        filled = 0;
      }
    } else if (value == kPad) {
      if (++pads > 2) return std::nullopt;
    } else if (value != kSkip) {
      return std::nullopt;
    }
  }
  // One character carries only 6 bits: never a whole byte.
  if (filled == 1) return std::nullopt;
  if (pads != 0 && filled + pads != 4) return std::nullopt;
  if (filled == 2) out.push_back(static_cast<std::uint8_t>(group >> 4));
  if (filled == 3) {
    out.push_back(static_cast<std::uint8_t>(group >> 10));
    out.push_back(static_cast<std::uint8_t>(group >> 2));
  }
  return out;
}

std::optional<Bytes> decodeString(const String& base64) {
  const NSUInteger length = base64.length();
  if (length == 0) return std::nullopt;
  return withDirectUnits(base64, NSRange{0, length},
                         [](const auto* units, NSUInteger n) { return decodeUnits(units, n); });
}

}  // namespace

std::string base64Encode(std::span<const std::uint8_t> bytes, char pad) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out.push_back(kAlphabet[n >> 18]);
    out.push_back(kAlphabet[(n >> 12) & 0x3F]);
    out.push_back(kAlphabet[(n >> 6) & 0x3F]);
    out.push_back(kAlphabet[n & 0x3F]);
  }
  if (const std::size_t rest = bytes.size() - i; rest != 0) {
    const std::uint32_t n = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
    out.push_back(kAlphabet[n >> 18]);
    out.push_back(kAlphabet[(n >> 12) & 0x3F]);
    if (rest == 2) out.push_back(kAlphabet[(n >> 6) & 0x3F]);
    if (pad != 0) out.append(3 - rest, pad);
  }
  return out;
}

std::optional<Bytes> base64Decode(std::string_view base64) {
  try {
    return decodeUnits(base64.data(), base64.size());
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

String encodeBase64Bytes(std::span<const std::uint8_t> bytes, unichar pad) {
  // A pad beyond Latin-1 cannot be a byte of the compact text; it stays a
  // UTF-16 string.
  if (bytes.empty()) return String();
  try {
    if (pad > 0xFF) {
      std::u16string text;
      for (const char c : base64Encode(bytes, 0)) text.push_back(static_cast<char16_t>(c));
      text.append((3 - bytes.size() % 3) % 3, static_cast<char16_t>(pad));
      return String(text);
    }
    return String::withLatin1(base64Encode(bytes, static_cast<char>(pad)));
  } catch (const std::bad_alloc&) {
    return String();
  }
}

String encodebase64(const String& text) {
  if (text.isEmpty()) return String();
  const std::optional<std::string> utf8 = bytesOfString(text, NSUTF8StringEncoding);
  if (!utf8) return String();
  return encodeBase64Bytes(
      std::span(reinterpret_cast<const std::uint8_t*>(utf8->data()), utf8->size()), 0);
}

String encodedBase64Data(std::span<const std::uint8_t> data) {
  return encodeBase64Bytes(data, u'=');
}

String decodebase64UsingEncoding(const String& base64, NSUInteger encoding) {
  if (base64.isEmpty()) return base64;
  try {
    const std::optional<Bytes> bytes = decodeString(base64);
    if (!bytes) return String();
    NSUInteger used = 0;
    while (used < bytes->size() && (*bytes)[used] != 0) ++used;
    if (used == 0) return String();
    return stringWithBytes(bytes->data(), used, encoding);
  } catch (const std::bad_alloc&) {
    return String();
  }
}

String decodebase64(const String& base64) {
  return decodebase64UsingEncoding(base64, NSUTF8StringEncoding);
}

std::optional<Bytes> decodedBase64Data(const String& base64) {
  try {
    std::optional<Bytes> bytes = decodeString(base64);
    if (!bytes || bytes->empty()) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace orvin
