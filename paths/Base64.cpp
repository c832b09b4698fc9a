#include "paths/Base64.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "chars/StandardWalk.h"
#include "chars/TextEncodings.h"
#include "chars/WorkMemory.h"

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

// Two alphabet characters for each 12-bit value, so that encoding takes
// one load and one store per pair of characters.
template <class Char>
struct Pairs {
  Char pair[4096][2];
};
template <class Char>
constexpr Pairs<Char> makePairs() {
  Pairs<Char> pairs{};
  for (int v = 0; v < 4096; ++v) {
    pairs.pair[v][0] = static_cast<Char>(kAlphabet[v >> 6]);
    pairs.pair[v][1] = static_cast<Char>(kAlphabet[v & 0x3F]);
  }
  return pairs;
}
template <class Char>
constexpr Pairs<Char> kPairs = makePairs<Char>();

// For the four characters of a group: each one's bits already in place, or
// kBadQuad for anything but the alphabet (padding and white space
// included), so that one OR of four loads decodes a whole group.
constexpr std::uint32_t kBadQuad = 1u << 24;
struct Quads {
  std::uint32_t at[4][256];
};
constexpr Quads makeQuads() {
  Quads quads{};
  for (int position = 0; position < 4; ++position) {
    for (int c = 0; c < 256; ++c) {
      const std::uint8_t value = kValues[c];
      quads.at[position][c] = value < 64 ? std::uint32_t{value} << (18 - 6 * position) : kBadQuad;
    }
  }
  return quads;
}
constexpr Quads kQuads = makeQuads();

template <class Unit>
std::uint32_t quadEntry(int position, Unit unit) {
  const auto u = static_cast<std::make_unsigned_t<Unit>>(unit);
  if constexpr (sizeof(Unit) > 1) {
    if (u > 0xFF) return kBadQuad;
  }
  return kQuads.at[position][u];
}

// The bytes of groups of four alphabet characters from units[i], as many
// as follow one another, into `out`; advances both.
template <class Unit>
void decodeWholeGroups(const Unit* units, std::size_t count, std::size_t& i, std::uint8_t*& out) {
  for (; i + 4 <= count; i += 4) {
    const std::uint32_t v = quadEntry(0, units[i]) | quadEntry(1, units[i + 1]) |
                            quadEntry(2, units[i + 2]) | quadEntry(3, units[i + 3]);
    if ((v & kBadQuad) != 0) return;
    out[0] = static_cast<std::uint8_t>(v >> 16);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v);
    out += 3;
  }
}

template <class Unit>
std::optional<Bytes> decodeUnits(const Unit* units, std::size_t count) {
  Bytes bytes(count / 4 * 3 + 3);
  std::uint8_t* out = bytes.data();
  std::uint32_t group = 0;
  int filled = 0;
  int pads = 0;
  for (std::size_t i = 0; i < count;) {
    // Between groups, whole groups go four characters at a time; the rest
    // (white space, padding, anything invalid) one by one.
    if (filled == 0 && pads == 0) {
      decodeWholeGroups(units, count, i, out);
      if (i == count) break;
    }
    const auto unit = static_cast<std::make_unsigned_t<Unit>>(units[i++]);
    const std::uint8_t value = unit < 256 ? kValues[unit] : kInvalid;
    if (value < 64) {
      if (pads != 0) return std::nullopt;
      group = (group << 6) | value;
      if (++filled == 4) {
        out[0] = static_cast<std::uint8_t>(group >> 16);
        out[1] = static_cast<std::uint8_t>(group >> 8);
        out[2] = static_cast<std::uint8_t>(group);
        out += 3;
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
  if (filled == 2) *out++ = static_cast<std::uint8_t>(group >> 4);
  if (filled == 3) {
    *out++ = static_cast<std::uint8_t>(group >> 10);
    *out++ = static_cast<std::uint8_t>(group >> 2);
  }
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
  return bytes;
}

std::optional<Bytes> decodeString(const String& base64) {
  const NSUInteger length = base64.length();
  if (length == 0) return std::nullopt;
  return withDirectUnits(base64, NSRange{0, length},
                         [](const auto* units, NSUInteger n) { return decodeUnits(units, n); });
}

std::size_t encodedLength(std::size_t bytes, bool padded) {
  const std::size_t rest = bytes % 3;
  return bytes / 3 * 4 + (rest == 0 ? 0 : padded ? 4 : rest + 1);
}

// Writes the Base64 of `bytes` (encodedLength characters) to `out`.
template <class Char>
void encodeInto(std::span<const std::uint8_t> bytes, Char pad, Char* out) {
  const std::size_t whole = bytes.size() / 3 * 3;
  const std::size_t rest = bytes.size() - whole;
  const std::uint8_t* in = bytes.data();
  for (std::size_t i = 0; i < whole; i += 3, out += 4) {
    const std::uint32_t n = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    std::memcpy(out, kPairs<Char>.pair[n >> 12], 2 * sizeof(Char));
    std::memcpy(out + 2, kPairs<Char>.pair[n & 0xFFF], 2 * sizeof(Char));
  }
  if (rest != 0) {
    const std::uint32_t n = (in[whole] << 16) | (rest == 2 ? in[whole + 1] << 8 : 0);
    *out++ = static_cast<Char>(kAlphabet[n >> 18]);
    *out++ = static_cast<Char>(kAlphabet[(n >> 12) & 0x3F]);
    if (rest == 2) *out++ = static_cast<Char>(kAlphabet[(n >> 6) & 0x3F]);
    if (pad != 0) std::fill(out, out + (3 - rest), pad);
  }
}

void releaseUnits(unichar* units) {
  releaseWorkMemory(units);
}

}  // namespace

std::string base64Encode(std::span<const std::uint8_t> bytes, char pad) {
  std::string text(encodedLength(bytes.size(), pad != 0), '\0');
  encodeInto(bytes, pad, text.data());
  return text;
}

std::optional<Bytes> base64Decode(std::string_view base64) {
  try {
    return decodeUnits(base64.data(), base64.size());
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

String encodeBase64Bytes(std::span<const std::uint8_t> bytes, unichar pad) {
  if (bytes.empty()) return String();
  // Written straight into the string's own block: one pass, one allocation.
  const std::size_t length = encodedLength(bytes.size(), pad != 0);
  if (length > PTRDIFF_MAX / sizeof(unichar)) return String();
  auto* units = static_cast<unichar*>(allocateWorkMemory(length * sizeof(unichar)));
  if (units == nullptr) return String();
  encodeInto(bytes, pad, units);
  return String::adoptingCharacters(units, length, releaseUnits);
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
