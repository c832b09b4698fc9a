#include "strings/Normalization.h"

#include <unicode/unorm2.h>

#include <algorithm>
#include <cstring>

#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "strings/internal/UnitReading.h"
#include "strings/internal/UnitRewrite.h"

namespace orvin {
namespace {

using detail::releaseUnits;
using detail::Rewritten;

constexpr NSInteger kFormC = 2;

// ICU's normalizer for a platform form number; nullptr for a number outside
// 0 to 3 and when ICU's data cannot be loaded.
const UNormalizer2* normalizerFor(NSInteger form) {
  if (form < 0 || form > 3) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* normalizer = unorm2_getInstance(
      nullptr, form & 1 ? "nfkc" : "nfc", form < 2 ? UNORM2_DECOMPOSE : UNORM2_COMPOSE, &status);
  return U_SUCCESS(status) ? normalizer : nullptr;
}

// A heap block of code units owned by whoever holds it (releaseWorkMemory).
struct Block {
  unichar* units = nullptr;
  NSUInteger length = 0;
};

unichar* allocateUnits(NSUInteger count) {
  if (count > static_cast<NSUInteger>(PTRDIFF_MAX) / sizeof(unichar)) return nullptr;
  return static_cast<unichar*>(
      allocateWorkMemory(std::max<NSUInteger>(count, 1) * sizeof(unichar)));
}

// `n` code units at `src` in a new block.
Block copiedBlock(const unichar* src, NSUInteger n) {
  unichar* units = allocateUnits(n);
  if (units != nullptr && n != 0) std::memcpy(units, src, n * sizeof(unichar));
  return Block{units, units == nullptr ? 0 : n};
}

// The code units at `src` normalized by `normalizer` into a new block; the
// code units themselves when ICU cannot do it (no normalizer, a text beyond
// its 32-bit lengths). An empty block (units nullptr) when memory runs out.
Block normalizedBlock(const unichar* src, NSUInteger n, const UNormalizer2* normalizer) {
  if (normalizer == nullptr || n > static_cast<NSUInteger>(INT32_MAX)) return copiedBlock(src, n);
  const auto length = static_cast<int32_t>(n);
  // Composed forms rarely grow; when they do, or for decomposition, ICU
  // says how much room it needs and the second attempt fits.
  int32_t capacity = length;
  for (int attempt = 0; attempt < 2; ++attempt) {
    unichar* units = allocateUnits(static_cast<NSUInteger>(capacity));
    if (units == nullptr) return Block{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = unorm2_normalize(normalizer, src, length, units, capacity, &status);
    if (U_SUCCESS(status)) return Block{units, static_cast<NSUInteger>(needed)};
    releaseWorkMemory(units);
    if (status == U_MEMORY_ALLOCATION_ERROR) return Block{};
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
    capacity = needed;
  }
  return copiedBlock(src, n);
}

// The normalized code units of `s` (which is not empty).
Block normalizedBlock(const String& s, NSInteger form) {
  return walkCharacters(s, Block{}, Block{}, [form](const unichar* src, NSUInteger n) {
    return normalizedBlock(src, n, normalizerFor(form));
  });
}

// A new string adopting the block; nil for an empty block.
String adopted(Block block) {
  if (block.units == nullptr) return String();
  return String::adoptingCharacters(block.units, block.length, releaseUnits);
}

// The form-C code units of `s`, each passed through `map`, as a new string;
// nil when memory runs out.
template <class Map>
String normalizedAndMapped(const String& s, Map map) {
  if (s.isNil()) return s;
  if (s.isEmpty()) return String(u"");
  const Block block = normalizedBlock(s, kFormC);
  for (NSUInteger i = 0; i < block.length; ++i) block.units[i] = map(block.units[i]);
  return adopted(block);
}

// A new normalized string, then edited as a mutable one.
template <class Edit>
String normalizedThen(const String& s, Edit edit) {
  if (s.isEmpty()) return s;
  const String normalized = adopted(normalizedBlock(s, kFormC));
  if (normalized.isNil()) return normalized;
  MutableString result(normalized);
  edit(result);
  return result;
}

// Step without normalization: every code unit through `table`; the string
// itself when nothing changed or the table is missing.
String mappedThrough(const String& s, const unichar* table) {
  if (table == nullptr) return s;
  return detail::rewrittenString(s, [table](const unichar* in, NSUInteger n, unichar* out) {
    bool changed = false;
    for (NSUInteger i = 0; i < n; ++i) {
      const unichar c = in[i];
      out[i] = table[c];
      changed |= out[i] != c;
    }
    return Rewritten{n, changed};
  });
}

String normalizedThrough(const String& s, const unichar* table) {
  if (table == nullptr) return String();
  return normalizedAndMapped(s, [table](unichar c) { return table[c]; });
}

// toAscii, toLowerAscii and toUpperAscii with the table looked up once: the
// accent-free form when it is ASCII, else a space; `caseShift` then moves
// one ASCII letter range onto the other.
struct AsciiFold {
  const unichar* umlauts;  // nullptr: the code unit itself, as toAscii does
  unichar from;            // first letter of the range to move, or 0
  int shift;

  unichar operator()(unichar c) const {
    const unichar u = umlauts != nullptr ? umlauts[c] : c;
    if (u > 0x7F) return u' ';
    if (from != 0 && u >= from && u < from + 26) return static_cast<unichar>(u + shift);
    return u;
  }
};

bool isSanitised(unichar c) {
  return c == 0 || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xF400 && c <= 0xF8FF);
}

// The sanitised and form-C code units of `s` (not empty) in a new block;
// an empty block when memory runs out.
Block fixedAndNormalizedBlock(const String& s) {
  const NSUInteger n = s.length();
  WorkBuffer buffer(n);
  if (!buffer.ok()) return Block{};
  s.getCharacters(buffer.data(), NSRange{0, n});
  std::replace_if(buffer.data(), buffer.data() + n, isSanitised, u' ');
  return normalizedBlock(buffer.data(), n, normalizerFor(kFormC));
}

// The ligatures and what each becomes; every expansion is ASCII.
const char16_t* ligatureExpansion(unichar c) {
  switch (c) {
    case 0x0132:
      return u"IJ";
    case 0x0133:
      return u"ij";
    case 0xFB00:
      return u"ff";
    case 0xFB01:
      return u"fi";
    case 0xFB02:
      return u"fl";
    case 0xFB03:
      return u"ffi";
    case 0xFB04:
      return u"ffl";
    case 0xFB05:
      return u"st";  // long s + t: "st", as its compatibility form says
    case 0xFB06:
      return u"st";
    default:
      return nullptr;
  }
}

}  // namespace

String normalizedString(const String& s) {
  return normalizedString(s, kFormC);
}

String normalizedString(const String& s, NSInteger form) {
  if (s.isEmpty()) return s;
  return adopted(normalizedBlock(s, form));
}

String normalizedLowercaseString(const String& s) {
  return normalizedThen(s, [](MutableString& m) { m.lowercase(); });
}

String normalizedUppercaseString(const String& s) {
  return normalizedThen(s, [](MutableString& m) { m.uppercase(); });
}

String fixedAndNormalizedString(const String& s) {
  if (s.isEmpty()) return s;
  return adopted(fixedAndNormalizedBlock(s));
}

String optimizedString(const String& s) {
  if (s.isEmpty()) return s;
  unichar* units = allocateUnits(s.length());
  if (units == nullptr) return s;
  s.getCharacters(units, NSRange{0, s.length()});
  const String result = String::adoptingCharacters(units, s.length(), releaseUnits);
  return result.isNil() ? s : result;
}

String nonUmlautedString(const String& s) {
  return mappedThrough(s, umlautsCharsTable());
}

String lowercaseNonUmlautedString(const String& s) {
  return mappedThrough(s, lowerUmlautsCharsTable());
}

String uppercaseNonUmlautedString(const String& s) {
  return mappedThrough(s, upperUmlautsCharsTable());
}

String nonUmlautedNormalizedString(const String& s) {
  return normalizedThrough(s, umlautsCharsTable());
}

String lowercaseNonUmlautedNormalizedString(const String& s) {
  return normalizedThrough(s, lowerUmlautsCharsTable());
}

String uppercaseNonUmlautedNormalizedString(const String& s) {
  return normalizedThrough(s, upperUmlautsCharsTable());
}

String asciiString(const String& s) {
  return normalizedAndMapped(s, AsciiFold{umlautsCharsTable(), 0, 0});
}

String lowercaseAsciiString(const String& s) {
  return normalizedAndMapped(s, AsciiFold{umlautsCharsTable(), u'A', 0x20});
}

String uppercaseAsciiString(const String& s) {
  return normalizedAndMapped(s, AsciiFold{umlautsCharsTable(), u'a', -0x20});
}

unichar firstCharacter(const String& s) {
  return s.isEmpty() ? 0 : s.characterAtIndex(0);
}

unichar lastCharacter(const String& s) {
  return s.isEmpty() ? 0 : s.characterAtIndex(s.length() - 1);
}

void normalizeString(MutableString& s) {
  normalizeString(s, kFormC);
}

void normalizeString(MutableString& s, NSInteger form) {
  if (form < 0 || form > 3) return;
  s.normalize(static_cast<MutableString::NormalizationForm>(form));
}

void normalizeLowercaseString(MutableString& s) {
  normalizeString(s);
  s.lowercase();
}

void normalizeUppercaseString(MutableString& s) {
  normalizeString(s);
  s.uppercase();
}

bool fixAndNormalizeString(MutableString& s) {
  if (s.isEmpty()) return true;
  const Block block = fixedAndNormalizedBlock(s);
  if (block.units == nullptr) return false;
  const bool same =
      block.length == s.length() && s == String::wrappingCharacters(block.units, block.length);
  const bool done = same || detail::MutableStringAccess::replaceAll(s, block.units, block.length);
  releaseWorkMemory(block.units);
  return done;
}

void convertLigaturesToCharacters(MutableString& s) {
  const NSUInteger n = s.length();
  if (n == 0 || n > static_cast<NSUInteger>(PTRDIFF_MAX) / 8) return;
  // One buffer: the text, then room for three code units per code unit.
  WorkBuffer buffer(4 * n);
  if (!buffer.ok()) return;
  unichar* in = buffer.data();
  unichar* out = in + n;
  s.getCharacters(in, NSRange{0, n});
  NSUInteger w = 0;
  for (NSUInteger r = 0; r < n; ++r) {
    if (const char16_t* expansion = ligatureExpansion(in[r])) {
      while (*expansion != 0) out[w++] = *expansion++;
    } else {
      out[w++] = in[r];
    }
  }
  if (w != n) (void)detail::MutableStringAccess::replaceAll(s, out, w);
}

String getCharactersOfNormalizedString(const String& s) {
  if (s.isEmpty()) return s.isNil() ? s : String(u"");
  return adopted(normalizedBlock(s, kFormC));
}

}  // namespace orvin
