#include "chars/CharacterSetReps.h"

#include <atomic>
#include <bit>
#include <cstring>

#include "chars/CharacterSet.h"
#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"
#include "chars/internal/LazyCache.h"

namespace orvin {
namespace {

static_assert(kCharacterSetRepBytes == CharacterSet::kBitmapBytes);

// What the white rep adds to the platform's white space and line breaks:
// characters that end or separate text in practice.
constexpr unichar kWhiteAdditions[] = {0x0000, 0x000C, 0x000A, 0x000D, 0x2028, 0x2029,
                                       0x0003, 0xFFFC, 0x0009, 0xFEFF, 0x00A0};

void addToRep(std::uint8_t* rep, unichar c) {
  rep[c >> 3] = static_cast<std::uint8_t>(rep[c >> 3] | (1u << (c & 7)));
}

const CharacterSet* sourceSet(detail::CharacterSetRepKind kind) noexcept {
  using Kind = detail::CharacterSetRepKind;
  switch (kind) {
    case Kind::empty:
      return nullptr;
    case Kind::space:
      return CharacterSet::whitespaceCharacterSet();
    case Kind::white:
      return CharacterSet::whitespaceAndNewlineCharacterSet();
    case Kind::alpha:
      return CharacterSet::letterCharacterSet();
    case Kind::alphaNum:
      return CharacterSet::alphanumericCharacterSet();
    case Kind::digit:
      return CharacterSet::decimalDigitCharacterSet();
    case Kind::lower:
      return CharacterSet::lowercaseLetterCharacterSet();
    case Kind::upper:
      return CharacterSet::uppercaseLetterCharacterSet();
  }
  return nullptr;
}

void discardRep(std::uint8_t* rep) {
  releaseWorkMemory(rep);
}

const std::uint8_t* cachedRep(detail::CharacterSetRepKind kind) noexcept {
  static LazyCache<std::uint8_t> caches[8];
  return caches[static_cast<int>(kind)].get([kind] { return detail::buildCharacterSetRep(kind); },
                                            discardRep);
}

std::atomic<unichar> gMinChar{0};
std::atomic<unichar> gMaxChar{0};

}  // namespace

namespace detail {
std::uint8_t* buildCharacterSetRep(CharacterSetRepKind kind) noexcept {
  if (kind == CharacterSetRepKind::empty) {
    return static_cast<std::uint8_t*>(allocateZeroedWorkMemory(kCharacterSetRepBytes));
  }
  auto* rep = static_cast<std::uint8_t*>(allocateWorkMemory(kCharacterSetRepBytes));
  if (rep == nullptr) return nullptr;
  const CharacterSet* set = sourceSet(kind);
  if (set == nullptr) {
    releaseWorkMemory(rep);
    return nullptr;
  }
  std::memcpy(rep, bitmap(*set), kCharacterSetRepBytes);
  if (kind == CharacterSetRepKind::space) {
    addToRep(rep, 0x0000);
    addToRep(rep, 0x0009);
  } else if (kind == CharacterSetRepKind::white) {
    for (unichar c : kWhiteAdditions) addToRep(rep, c);
  }
  return rep;
}
}  // namespace detail

const std::uint8_t* emptyCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::empty);
}
const std::uint8_t* spaceCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::space);
}
const std::uint8_t* whiteCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::white);
}
const std::uint8_t* alphaCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::alpha);
}
const std::uint8_t* alphaNumCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::alphaNum);
}
const std::uint8_t* digitCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::digit);
}
const std::uint8_t* lowerCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::lower);
}
const std::uint8_t* upperCharacterSetRep() noexcept {
  return cachedRep(detail::CharacterSetRepKind::upper);
}

// 0 doubles as "not computed": an empty letter set is scanned again each
// time, which costs nothing that matters.
unichar firstAlphaCharacter() noexcept {
  const unichar cached = gMinChar.load(std::memory_order_relaxed);
  if (cached != 0) return cached;
  const std::uint8_t* rep = alphaCharacterSetRep();
  if (rep == nullptr) return 0;
  for (std::size_t i = 0; i < kCharacterSetRepBytes; ++i) {
    if (rep[i] != 0) {
      const auto found =
          static_cast<unichar>(i * 8 + static_cast<unsigned>(std::countr_zero(rep[i])));
      gMinChar.store(found, std::memory_order_relaxed);
      return found;
    }
  }
  return 0;
}

unichar lastAlphaCharacter() noexcept {
  const unichar cached = gMaxChar.load(std::memory_order_relaxed);
  if (cached != 0) return cached;
  const std::uint8_t* rep = alphaCharacterSetRep();
  if (rep == nullptr) return 0;
  for (std::size_t i = kCharacterSetRepBytes; i-- > 0;) {
    if (rep[i] != 0) {
      const auto found =
          static_cast<unichar>(i * 8 + static_cast<unsigned>(std::bit_width(rep[i])) - 1);
      gMaxChar.store(found, std::memory_order_relaxed);
      return found;
    }
  }
  return 0;
}

// The scans read compact text in stack windows, so no string is copied whole
// and none of them needs work memory.
bool characterPartOfSet(const String& s, const std::uint8_t* rep) {
  if (rep == nullptr) return false;
  return !walkWindows(s, NSRange{0, s.length()},
                      [rep](const unichar* chars, NSUInteger length, NSUInteger) {
                        for (NSUInteger i = 0; i < length; ++i) {
                          if (isInCharacterSetRep(rep, chars[i])) return false;
                        }
                        return true;
                      });
}

NSUInteger countCharactersPartOfSet(const String& s, const std::uint8_t* rep) {
  if (rep == nullptr) return 0;
  NSUInteger count = 0;
  walkWindows(s, NSRange{0, s.length()},
              [rep, &count](const unichar* chars, NSUInteger length, NSUInteger) {
                for (NSUInteger i = 0; i < length; ++i) {
                  count += isInCharacterSetRep(rep, chars[i]) ? 1 : 0;
                }
                return true;
              });
  return count;
}

bool charactersPartOfSet(const String& s, const std::uint8_t* rep, bool ifEmpty) {
  if (s.length() == 0) return ifEmpty;
  if (rep == nullptr) return false;
  return walkWindows(s, NSRange{0, s.length()},
                     [rep](const unichar* chars, NSUInteger length, NSUInteger) {
                       for (NSUInteger i = 0; i < length; ++i) {
                         if (!isInCharacterSetRep(rep, chars[i])) return false;
                       }
                       return true;
                     });
}

bool containsCharacterPartOfCharacterSetRep(const String& s, const std::uint8_t* rep) {
  return characterPartOfSet(s, rep);
}
bool containsAlphaNumCharacter(const String& s) {
  return characterPartOfSet(s, alphaNumCharacterSetRep());
}
bool containsAlphaCharacter(const String& s) {
  return characterPartOfSet(s, alphaCharacterSetRep());
}
bool containsWhiteCharacter(const String& s) {
  return characterPartOfSet(s, whiteCharacterSetRep());
}
bool containsDigitCharacter(const String& s) {
  return characterPartOfSet(s, digitCharacterSetRep());
}

NSUInteger countCharactersPartOfCharacterSetRep(const String& s, const std::uint8_t* rep) {
  return countCharactersPartOfSet(s, rep);
}
NSUInteger countAlphaNumCharacters(const String& s) {
  return countCharactersPartOfSet(s, alphaNumCharacterSetRep());
}
NSUInteger countAlphaCharacters(const String& s) {
  return countCharactersPartOfSet(s, alphaCharacterSetRep());
}
NSUInteger countWhiteCharacters(const String& s) {
  return countCharactersPartOfSet(s, whiteCharacterSetRep());
}
NSUInteger countDigitCharacters(const String& s) {
  return countCharactersPartOfSet(s, digitCharacterSetRep());
}

bool isSpaceString(const String& s) {
  return charactersPartOfSet(s, spaceCharacterSetRep(), true);
}
bool isWhiteString(const String& s) {
  return charactersPartOfSet(s, whiteCharacterSetRep(), true);
}
bool isDigitString(const String& s) {
  return charactersPartOfSet(s, digitCharacterSetRep(), false);
}
bool isAlphaString(const String& s) {
  return charactersPartOfSet(s, alphaCharacterSetRep(), false);
}
bool isAlphaNumString(const String& s) {
  return charactersPartOfSet(s, alphaNumCharacterSetRep(), false);
}

}  // namespace orvin
