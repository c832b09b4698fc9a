// Random edit scripts on random strings: each in-place editor of the strings
// layer runs on a MutableString and on a plain std::u16string reference, and
// the two must agree after every step. Copies taken along the way must keep
// their text, and each immutable twin must agree with its editor.
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "chars/CharacterSetReps.h"
#include "chars/MutableString.h"
#include "strings/FeedCharacters.h"
#include "strings/Normalization.h"
#include "strings/RemovingCharacters.h"
#include "strings/Trimming.h"

using namespace orvin;

namespace {

// Code units that the editors treat specially, so short inputs reach them.
constexpr char16_t kAlphabet[] = {u' ',   u'\t',  u'\n',  u'\r',  u'a',   u'x',   u'1',   u'.',
                                  u'"',   0,      0x2028, 0x00A0, 0x3000, 0xD83D, 0xDE00, 0xFB01,
                                  0xFB05, 0x0132, 0xF8FF, 0x0301, 0xFEFF, 0x0663, u'-',   u'\'',
                                  0x2026, 0x0085, 0x000B, 0x00E9, u'A',   0xDC00};

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  bool done() const { return at >= size; }
  std::uint8_t next() { return at < size ? data[at++] : 0; }
  char16_t unit() {
    const std::uint8_t b = next();
    return b < 0xF0 ? kAlphabet[b % std::size(kAlphabet)] : static_cast<char16_t>(b << 4 | next());
  }
  std::u16string text(std::size_t maxLength) {
    std::u16string t;
    for (std::size_t n = next() % (maxLength + 1); n > 0 && !done(); --n) t += unit();
    return t;
  }
};

void check(bool ok) {
  if (!ok) std::abort();
}

bool inRep(const std::uint8_t* rep, char16_t c) {
  return rep != nullptr && isInCharacterSetRep(rep, c);
}

template <class Member>
void refRemove(std::u16string& t, Member member) {
  std::erase_if(t, member);
}

template <class Member>
void refCollapse(std::u16string& t, Member member, char16_t with) {
  std::u16string out;
  for (std::size_t i = 0; i < t.size();) {
    if (!member(t[i])) {
      out += t[i++];
      continue;
    }
    out += with;
    while (i < t.size() && member(t[i])) ++i;
  }
  t = out;
}

template <class Member>
void refTrim(std::u16string& t, bool start, bool end, Member member) {
  std::size_t first = 0;
  std::size_t last = t.size();
  if (start) {
    while (first < last && member(t[first])) ++first;
  }
  if (end) {
    while (last > first && member(t[last - 1])) --last;
  }
  t = t.substr(first, last - first);
}

// Characters (a pair or one unit) of `t`, in order.
std::vector<std::u16string> characters(const std::u16string& t) {
  std::vector<std::u16string> out;
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t n = U16_IS_LEAD(t[i]) && i + 1 < t.size() && U16_IS_TRAIL(t[i + 1]) ? 2 : 1;
    out.push_back(t.substr(i, n));
    i += n;
  }
  return out;
}

void refRemoveCharactersOf(std::u16string& t, const std::u16string& set) {
  const std::vector<std::u16string> members = characters(set);
  std::u16string out;
  for (const std::u16string& c : characters(t)) {
    if (std::find(members.begin(), members.end(), c) == members.end()) out += c;
  }
  t = out;
}

void refLigatures(std::u16string& t) {
  std::u16string out;
  for (char16_t c : t) {
    switch (c) {
      case 0x0132:
        out += u"IJ";
        break;
      case 0x0133:
        out += u"ij";
        break;
      case 0xFB00:
        out += u"ff";
        break;
      case 0xFB01:
        out += u"fi";
        break;
      case 0xFB02:
        out += u"fl";
        break;
      case 0xFB03:
        out += u"ffi";
        break;
      case 0xFB04:
        out += u"ffl";
        break;
      case 0xFB05:
      case 0xFB06:
        out += u"st";
        break;
      default:
        out += c;
    }
  }
  t = out;
}

void refFixAndNormalize(std::u16string& t) {
  for (char16_t& c : t) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xF400 && c <= 0xF8FF)) c = u' ';
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  icu::UnicodeString out;
  nfc->normalize(icu::UnicodeString(t.data(), static_cast<int32_t>(t.size())), out, status);
  check(U_SUCCESS(status));
  t.assign(out.getBuffer(), static_cast<std::size_t>(out.length()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  const bool compact = in.next() & 1;
  std::u16string ref = in.text(600);
  std::string bytes;
  for (char16_t c : ref) bytes += static_cast<char>(c);
  const bool fitsLatin1 = std::all_of(ref.begin(), ref.end(), [](char16_t c) { return c < 256; });
  MutableString m(compact && fitsLatin1 ? String::withLatin1(bytes) : String(ref));
  std::vector<std::pair<String, std::u16string>> copies;

  const std::uint8_t* space = spaceCharacterSetRep();
  const std::uint8_t* white = whiteCharacterSetRep();
  const std::uint8_t* digit = digitCharacterSetRep();
  auto isSpace = [space](char16_t c) { return inRep(space, c); };
  auto isWhite = [white](char16_t c) { return inRep(white, c); };

  while (!in.done()) {
    const std::uint8_t op = in.next();
    const char16_t c = in.unit();
    switch (op % 16) {
      case 0:
        removeCharacters(m, c);
        refRemove(ref, [c](char16_t u) { return u == c; });
        break;
      case 1: {
        const std::u16string set = in.text(4);
        removeCharactersOfString(m, String(set));
        refRemoveCharactersOf(ref, set);
        break;
      }
      case 2:
        check(stringByRemovingFeeds(m).toU16String() == (refRemove(ref, isFeedCharacter), ref));
        removeFeeds(m);
        break;
      case 3:
        check(stringByRemovingTabs(m).toU16String() ==
              (refRemove(ref, [](char16_t u) { return u == u'\t'; }), ref));
        removeTabs(m);
        break;
      case 4:
        check(stringByRemovingSpaces(m).toU16String() == (refRemove(ref, isSpace), ref));
        removeSpaces(m);
        break;
      case 5:
        check(stringByRemovingWhiteCharacters(m).toU16String() == (refRemove(ref, isWhite), ref));
        removeWhiteCharacters(m);
        break;
      case 6:
        check(stringByRemovingDigits(m).toU16String() ==
              (refRemove(ref, [digit](char16_t u) { return inRep(digit, u); }), ref));
        removeDigits(m);
        break;
      case 7:
        if (c & 1) {
          refCollapse(ref, isWhite, u' ');
        } else {
          refCollapse(ref, isSpace, u' ');
        }
        check(stringByRemovingMultipleSpacesAndFeeds(m, c & 1).toU16String() == ref);
        check(removeMultipleSpacesAndFeeds(m, c & 1) == ref.size());
        break;
      case 8:
        refCollapse(ref, isFeedCharacter, u'\n');
        check(stringByRemovingMultipleFeeds(m).toU16String() == ref);
        check(removeMultipleFeeds(m) == ref.size());
        break;
      case 9:
        refTrim(ref, true, true, [c](char16_t u) { return u == c; });
        check(stringByTrimmingCharacter(m, c).toU16String() == ref);
        trimCharacter(m, c);
        break;
      case 10:
        refTrim(ref, true, false, [c](char16_t u) { return u == c; });
        check(stringByTrimmingPrefixCharacter(m, c).toU16String() == ref);
        trimPrefixCharacter(m, c);
        break;
      case 11:
        refTrim(ref, false, true, [c](char16_t u) { return u == c; });
        check(stringByTrimmingSuffixCharacter(m, c).toU16String() == ref);
        trimSuffixCharacter(m, c);
        break;
      case 12:
        refTrim(ref, false, true, isFeedCharacter);
        check(stringByTrimmingFeeds(m).toU16String() == ref);
        trimFeeds(m);
        break;
      case 13:
        refTrim(ref, true, true, [](char16_t u) { return u_isUWhiteSpace(u) != 0; });
        check(stringByTrimmingWhiteSpaces(m).toU16String() == ref);
        trimWhiteSpaces(m);
        break;
      case 14:
        convertLigaturesToCharacters(m);
        refLigatures(ref);
        break;
      default:
        if (c & 1) {
          refFixAndNormalize(ref);
          check(fixedAndNormalizedString(m).toU16String() == ref);
          check(fixAndNormalizeString(m));
        } else {
          copies.emplace_back(m, ref);
        }
    }
    check(m.toU16String() == ref);
  }
  for (const auto& [copy, text] : copies) check(copy.toU16String() == text);
  return 0;
}
