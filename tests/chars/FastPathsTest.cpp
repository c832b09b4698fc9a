// Differential tests: each fast path of the string core against a plain
// reference loop over std::u16string, on random texts in both storage forms,
// across the 256-unit window line, with surrogate pairs, lone surrogates,
// letters whose case fold leaves Latin-1 (µ, K-sign), nil and empty.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <random>
#include <string>
#include <vector>

#include "StorageForms.h"
#include "chars/MutableString.h"
#include "chars/StringPredicates.h"
#include "chars/StringServices.h"
#include "strings/Lines.h"

namespace orvin {
namespace {

using test::Form;
using test::utf8;

// --- reference loops ---

char16_t refFoldUnit(std::u16string_view t, std::size_t i) {
  auto fold = [](UChar32 c) {
    const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    return U16_LENGTH(f) == U16_LENGTH(c) ? f : c;
  };
  const char16_t c = t[i];
  if (U16_IS_LEAD(c) && i + 1 < t.size() && U16_IS_TRAIL(t[i + 1])) {
    return U16_LEAD(fold(U16_GET_SUPPLEMENTARY(c, t[i + 1])));
  }
  if (U16_IS_TRAIL(c) && i > 0 && U16_IS_LEAD(t[i - 1])) {
    return U16_TRAIL(fold(U16_GET_SUPPLEMENTARY(t[i - 1], c)));
  }
  return U16_IS_SURROGATE(c) ? c : static_cast<char16_t>(fold(c));
}

int refCompare(std::u16string_view a, std::u16string_view b, bool noCase) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char16_t x = noCase ? refFoldUnit(a, i) : a[i];
    const char16_t y = noCase ? refFoldUnit(b, i) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool refMatchAt(std::u16string_view hay, std::size_t pos, std::u16string_view needle, bool noCase) {
  for (std::size_t k = 0; k < needle.size(); ++k) {
    const char16_t x = noCase ? refFoldUnit(hay, pos + k) : hay[pos + k];
    const char16_t y = noCase ? refFoldUnit(needle, k) : needle[k];
    if (x != y) return false;
  }
  return true;
}

NSRange refFind(std::u16string_view text, std::u16string_view needle, NSUInteger options,
                NSRange range) {
  const std::u16string_view hay = text.substr(range.location, range.length);
  if (needle.empty() || needle.size() > hay.size()) return {NSNotFound, 0};
  const bool noCase = (options & kCompareCaseInsensitive) != 0;
  const bool back = (options & kCompareBackwards) != 0;
  const std::size_t last = hay.size() - needle.size();
  std::vector<std::size_t> order;
  if ((options & kCompareAnchored) != 0) {
    order.push_back(back ? last : 0);
  } else {
    for (std::size_t p = 0; p <= last; ++p) order.push_back(back ? last - p : p);
  }
  for (std::size_t p : order) {
    if (refMatchAt(hay, p, needle, noCase)) return {range.location + p, needle.size()};
  }
  return {NSNotFound, 0};
}

std::vector<std::u16string> refLines(std::u16string_view t) {
  std::vector<std::u16string> out;
  auto feed = [](char16_t c) {
    return c == 3 || c == 10 || c == 12 || c == 13 || c == 0x2028 || c == 0x2029 || c == 0xFEFF ||
           c == 0xFFFC;
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!feed(t[i])) continue;
    if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') ++i;
    out.emplace_back(t.substr(start, i + 1 - start));
    start = i + 1;
  }
  if (start < t.size()) out.emplace_back(t.substr(start));
  return out;
}

template <class Map>
std::u16string refMap(const std::u16string& t, Map map) {
  std::u16string out(t.size() * 4 + 8, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = map(out.data(), static_cast<int32_t>(out.size()), t.data(),
                        static_cast<int32_t>(t.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// --- random texts ---

class Random {
 public:
  // Latin-1 units (compact-able): ASCII letters of both cases, 'ß', 'µ',
  // 'ÿ', 'é', 'É', a space and feeds.
  std::u16string latin1(std::size_t n) {
    return pick(n, u"aAbBkKsS zZ\n\r\u00DF\u00B5\u00FF\u00E9\u00C9");
  }
  // Anything: Greek sigmas, the Kelvin sign, the feeds, Deseret letters (a
  // cased surrogate pair), an emoji, lone surrogates.
  std::u16string any(std::size_t n) {
    std::u16string out =
        pick(n, u"aAkK\r\n\u00B5\u00E9\u03A3\u03C3\u03C2\u212A\u2028\u2029\uFEFF\uFFFC\u4E2D");
    for (auto& c : out) {
      const unsigned roll = next(12);
      const char16_t* pairs[] = {u"\U00010400", u"\U00010428", u"\U0001F642"};
      if (roll == 0 && &c != &out.back()) {
        const char16_t* p = pairs[next(3)];
        c = p[0];
        *(&c + 1) = p[1];
      } else if (roll == 1) {
        c = next(2) == 0 ? 0xD801 : 0xDC00;  // a lone half, or one that pairs by chance
      }
    }
    return out;
  }
  std::size_t length() {
    static constexpr std::size_t kLengths[] = {0, 1, 2, 3, 7, 64, 255, 256, 257, 300, 511, 700};
    return kLengths[next(std::size(kLengths))];
  }
  std::u16string text(bool compactable) { return compactable ? latin1(length()) : any(length()); }
  unsigned next(unsigned bound) {
    return std::uniform_int_distribution<unsigned>(0, bound - 1)(rng_);
  }
  // Flips the case of some letters (simple mappings, lengths kept).
  std::u16string recase(std::u16string t) {
    for (auto& c : t) {
      if (U16_IS_SURROGATE(c) || next(2) == 0) continue;
      const UChar32 u = u_isupper(c) ? u_tolower(c) : u_toupper(c);
      if (u <= 0xFFFF && (c > 0xFF || u <= 0xFF)) c = static_cast<char16_t>(u);
    }
    return t;
  }

 private:
  std::u16string pick(std::size_t n, std::u16string_view alphabet) {
    std::u16string out(n, u'\0');
    for (auto& c : out) c = alphabet[next(static_cast<unsigned>(alphabet.size()))];
    return out;
  }
  std::mt19937 rng_{20261206};
};

struct Sample {
  std::u16string text;
  String s;
};

// Each text in both forms where it fits Latin-1, else twice as UTF-16.
std::vector<Sample> forms(const std::u16string& text) {
  return {{text, test::make(Form::Utf16, text)}, {text, test::make(Form::Compact, text)}};
}

constexpr int kRounds = 400;

TEST(FastPaths, CompareRangeAndEqualities) {
  Random r;
  for (int round = 0; round < kRounds; ++round) {
    const bool compactable = round % 2 == 0;
    const std::u16string a = r.text(compactable);
    const std::u16string b = r.next(3) == 0 ? r.text(compactable) : r.recase(a);
    for (const Sample& x : forms(a)) {
      for (const Sample& y : forms(b)) {
        SCOPED_TRACE(utf8(a) + " | " + utf8(b));
        for (bool noCase : {false, true}) {
          const NSRange range{r.next(static_cast<unsigned>(a.size()) + 1), 0};
          const NSRange sub{range.location,
                            r.next(static_cast<unsigned>(a.size() - range.location) + 1)};
          const std::u16string_view part = std::u16string_view(a).substr(sub.location, sub.length);
          EXPECT_EQ(compareRange(x.s, sub, y.s, noCase ? NSUInteger{kCompareCaseInsensitive} : 0),
                    refCompare(part, b, noCase));
        }
        EXPECT_EQ(isEqualToStringNoCase(x.s, y.s),
                  a.size() == b.size() && refCompare(a, b, true) == 0);
        EXPECT_EQ(hasPrefixNoCase(x.s, y.s),
                  !b.empty() && b.size() <= a.size() &&
                      refCompare(std::u16string_view(a).substr(0, b.size()), b, true) == 0);
        EXPECT_EQ(hasPrefix(x.s, y.s), !b.empty() && std::u16string_view(a).starts_with(b));
        EXPECT_EQ(x.s == y.s, a == b);
        EXPECT_EQ((x.s <=> y.s) < 0, a < b);
        if (a == b) {
          EXPECT_EQ(x.s.hash(), y.s.hash());
        }
      }
    }
  }
}

TEST(FastPaths, Search) {
  Random r;
  for (int round = 0; round < kRounds; ++round) {
    const bool compactable = round % 2 == 0;
    const std::u16string hay = r.text(compactable);
    std::u16string needle;
    if (!hay.empty() && r.next(4) != 0) {
      const std::size_t at = r.next(static_cast<unsigned>(hay.size()));
      needle = r.recase(hay.substr(at, 1 + r.next(std::min<unsigned>(200, hay.size() - at))));
    } else {
      needle = r.recase(compactable ? r.latin1(1 + r.next(3)) : r.any(1 + r.next(3)));
    }
    const NSUInteger loc = r.next(static_cast<unsigned>(hay.size()) + 1);
    const NSRange range{loc, r.next(static_cast<unsigned>(hay.size() - loc) + 1)};
    for (const Sample& h : forms(hay)) {
      for (const Sample& n : forms(needle)) {
        // Every combination of caseless (1), backwards (4) and anchored (8).
        for (NSUInteger options : {0u, 1u, 4u, 5u, 8u, 9u, 12u, 13u}) {
          SCOPED_TRACE(utf8(hay) + " | " + utf8(needle) + " | " + std::to_string(options));
          const NSRange expected = refFind(hay, needle, options, range);
          EXPECT_EQ(rangeOfString(h.s, n.s, options, range), expected);
        }
      }
    }
  }
}

// Every position of a match, so that one cut by a window edge is met
// whatever the window size.
TEST(FastPaths, MatchesAtEveryPosition) {
  for (std::size_t m : {1u, 2u, 5u, 90u, 200u}) {
    for (bool wide : {false, true}) {
      std::u16string needle(m, wide ? u'\u03C3' : u'k');
      needle.back() = u'z';
      std::u16string upper = needle;
      for (auto& c : upper) c = c == u'k' ? u'K' : c == u'\u03C3' ? u'\u03A3' : u'Z';
      for (std::size_t pos = 0; pos + m <= 700; ++pos) {
        std::u16string hay(700, u'k');
        hay.replace(pos, m, upper);
        for (const Sample& h : forms(hay)) {
          SCOPED_TRACE(std::to_string(m) + " at " + std::to_string(pos));
          for (NSUInteger options : {NSUInteger{kCompareCaseInsensitive},
                                     NSUInteger{kCompareCaseInsensitive | kCompareBackwards}}) {
            EXPECT_EQ(rangeOfString(h.s, String(needle), options, {0, 700}),
                      refFind(hay, needle, options, {0, 700}));
          }
          EXPECT_EQ(rangeOfString(h.s, String(upper), 0, {0, 700}), (NSRange{pos, m}));
        }
      }
    }
  }
}

TEST(FastPaths, NilAndEmpty) {
  const String nil;
  const String empty(u"");
  const String compactEmpty = String::withLatin1("");
  for (const String* a : {&nil, &empty, &compactEmpty}) {
    for (const String* b : {&nil, &empty, &compactEmpty}) {
      EXPECT_EQ(compareRange(*a, {0, 0}, *b, kCompareCaseInsensitive), NSOrderedSame);
      EXPECT_FALSE(hasPrefix(*a, *b));
      EXPECT_EQ(rangeOfString(*a, *b, 0, {0, 0}), (NSRange{NSNotFound, 0}));
      EXPECT_EQ(isEqualToStringNoCase(*a, *b), !b->isNil());
      EXPECT_EQ(*a == *b, a->isNil() == b->isNil());
      EXPECT_EQ(a->hash(), b->hash());
      EXPECT_TRUE(lines(*a).empty());
    }
  }
  // nil sorts first, before the empty string, in both orders.
  EXPECT_TRUE(nil < empty && nil < compactEmpty && !(empty < nil) && empty == compactEmpty);
  EXPECT_TRUE(CaseInsensitiveLess{}(nil, empty) && !CaseInsensitiveLess{}(empty, nil));
  EXPECT_FALSE(CaseInsensitiveLess{}(nil, nil));
}

TEST(FastPaths, LinesKeepTheirSourceForm) {
  Random r;
  for (int round = 0; round < kRounds; ++round) {
    const bool compactable = round % 2 == 0;
    const std::u16string text = r.text(compactable);
    const std::vector<std::u16string> expected = refLines(text);
    for (const Sample& x : forms(text)) {
      SCOPED_TRACE(utf8(text));
      const std::vector<String> found = lines(x.s);
      EXPECT_EQ(test::textsOf(found), expected);
      EXPECT_EQ(numberOfLines(x.s), expected.size());
      for (const String& line : found) EXPECT_EQ(line.isCompact(), x.s.isCompact());
    }
  }
}

TEST(FastPaths, CaseMapping) {
  Random r;
  for (int round = 0; round < kRounds / 4; ++round) {
    const bool compactable = round % 2 == 0;
    // Latin-1 with the letters that change length or leave Latin-1 when
    // mapped.
    const std::u16string text = r.text(compactable);
    const std::u16string upper =
        refMap(text, [](UChar* d, int32_t cap, const UChar* s, int32_t n, UErrorCode* st) {
          return u_strToUpper(d, cap, s, n, "", st);
        });
    const std::u16string lower =
        refMap(text, [](UChar* d, int32_t cap, const UChar* s, int32_t n, UErrorCode* st) {
          return u_strToLower(d, cap, s, n, "", st);
        });
    for (const Sample& x : forms(text)) {
      SCOPED_TRACE(utf8(text));
      MutableString u(x.s);
      u.uppercase();
      EXPECT_EQ(u.toU16String(), upper);
      MutableString l(x.s);
      l.lowercase();
      EXPECT_EQ(l.toU16String(), lower);
      // An unchanged text keeps its storage.
      EXPECT_EQ(l.isIdenticalTo(x.s), lower == text);
    }
  }
}

}  // namespace
}  // namespace orvin
