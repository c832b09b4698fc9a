#include "paths/CharacterFinding.h"

#include "chars/ConversionTables.h"
#include "chars/StandardWalk.h"

namespace orvin {
namespace {

// Decides whether a code unit matches the one sought. `usable` is false
// when a case-insensitive match was asked for and the tables are missing.
struct Matcher {
  Matcher(unichar c, CaseMode mode) : sought(c) {
    if (mode == CaseMode::sensitive) return;
    const unichar* lower = lowerCharsTable();
    upper = upperCharsTable();
    if (lower == nullptr || upper == nullptr) {
      usable = false;
      upper = nullptr;
      return;
    }
    if (upper[c] == lower[c]) {
      upper = nullptr;  // no case forms: only c itself
      return;
    }
    sought = upper[c];
  }
  bool operator()(unichar x) const { return (upper != nullptr ? upper[x] : x) == sought; }

  unichar sought;
  const unichar* upper = nullptr;
  bool usable = true;
};

// Calls scan(units, length) on the code units in place when `start` lies
// inside `s`; otherwise answers `empty`.
template <class Result, class Scan>
Result scanFrom(const String& s, NSUInteger start, Result empty, Scan&& scan) {
  const NSUInteger length = s.length();
  if (length == 0 || start >= length) return empty;
  return withDirectUnits(s, NSRange{0, length}, scan);
}

// The characters of the punctuation mask, bit 0 first.
constexpr char16_t kPunctuationBits[] = u".@/?;_*$";

// `s` with every code unit `rewrite` answers for it, in a new string;
// nil when memory runs out.
template <class Rewrite>
String rewritten(const String& s, Rewrite rewrite) {
  const NSUInteger n = s.length();
  WorkBuffer out(n);
  if (!out.ok()) return String();
  s.getCharacters(out.data(), NSRange{0, n});
  for (unichar* u = out.data(); u != out.data() + n; ++u) *u = rewrite(*u);
  return String::withCharacters(out.data(), n);
}

String rotated(const String& s, unsigned k) {
  return rewritten(s, [k](unichar u) {
    if (u >= u'a' && u <= u'z') return static_cast<unichar>(u'a' + (u - u'a' + k) % 26);
    if (u >= u'A' && u <= u'Z') return static_cast<unichar>(u'A' + (u - u'A' + k) % 26);
    return u;
  });
}

}  // namespace

NSUInteger countCharacter(const String& s, unichar c, NSUInteger start, CaseMode mode) {
  const Matcher match(c, mode);
  if (!match.usable) return 0;
  return scanFrom(s, start, NSUInteger{0}, [&](const auto* units, NSUInteger length) {
    NSUInteger count = 0;
    for (NSUInteger i = start; i < length; ++i) count += match(units[i]) ? 1 : 0;
    return count;
  });
}

NSUInteger findCharacter(const String& s, unichar c, NSUInteger start, CaseMode mode) {
  const Matcher match(c, mode);
  if (!match.usable) return NSNotFound;
  return scanFrom(s, start, NSNotFound, [&](const auto* units, NSUInteger length) {
    for (NSUInteger i = start; i < length; ++i)
      if (match(units[i])) return i;
    return NSNotFound;
  });
}

NSUInteger findLastCharacter(const String& s, unichar c, NSUInteger start, CaseMode mode) {
  const Matcher match(c, mode);
  if (!match.usable) return NSNotFound;
  return scanFrom(s, start, NSNotFound, [&](const auto* units, NSUInteger length) {
    for (NSUInteger i = length; i > start; --i)
      if (match(units[i - 1])) return i - 1;
    return NSNotFound;
  });
}

NSUInteger findOneOf(const String& s, const String& set, NSUInteger start, CaseMode mode) {
  if (set.isEmpty()) return NSNotFound;
  const unichar* upper = nullptr;
  if (mode == CaseMode::insensitive && (upper = upperCharsTable()) == nullptr) return NSNotFound;
  auto fold = [upper](unichar u) { return upper != nullptr ? upper[u] : u; };
  return withDirectUnits(set, NSRange{0, set.length()}, [&](const auto* wanted, NSUInteger k) {
    return scanFrom(s, start, NSNotFound, [&](const auto* units, NSUInteger length) {
      for (NSUInteger i = start; i < length; ++i) {
        const unichar here = fold(units[i]);
        for (NSUInteger w = 0; w < k; ++w)
          if (here == fold(wanted[w])) return i;
      }
      return NSNotFound;
    });
  });
}

bool containsCharacters(const String& s, NSUInteger mask) {
  if (mask == 0) return false;
  return scanFrom(s, 0, false, [&](const auto* units, NSUInteger length) {
    for (NSUInteger i = 0; i < length && mask != 0; ++i)
      for (NSUInteger bit = 0; bit < 8; ++bit)
        if (units[i] == kPunctuationBits[bit]) mask &= ~(NSUInteger{1} << bit);
    return mask == 0;
  });
}

bool countLTGT(const String& s, NSUInteger* lt, NSUInteger* gt) {
  const NSUInteger opening = countCharacter(s, u'<');
  const NSUInteger closing = countCharacter(s, u'>');
  if (lt != nullptr) *lt = opening;
  if (gt != nullptr) *gt = closing;
  return opening == closing && opening != 0;
}

String stringByReplacingCharacter(const String& s, unichar c, unichar r, CaseMode mode) {
  if (s.isEmpty() || c == r) return s;
  const Matcher match(c, mode);
  if (!match.usable || findCharacter(s, c, 0, mode) == NSNotFound) return s;
  const String out = rewritten(s, [&](unichar u) { return match(u) ? r : u; });
  return out.isNil() ? s : out;
}

String stringByRotating13(const String& s) {
  if (s.isEmpty()) return s;
  return rotated(s, 13);
}

String stringByRotating(const String& s, NSUInteger n) {
  const auto k = static_cast<unsigned>(n % 26);
  if (s.isEmpty() || k == 0) return s;
  return rotated(s, k);
}

}  // namespace orvin
