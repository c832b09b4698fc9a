// Texts for the string benchmarks: ASCII, Latin-1 and mixed (Greek,
// Cyrillic, CJK, emoji) prose in lines, at any size, each with a needle that
// occurs once, at its very end. Built on first use and kept while the same
// text and size are asked for, so that a 64 Mi-unit corpus is built once per
// benchmark rather than once per iteration.
#pragma once

#include <benchmark/benchmark.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "chars/String.h"

namespace bench {

enum Text : int { kAscii = 0, kLatin1 = 1, kMixed = 2 };

struct Corpus {
  std::u16string text;     // sample lines, then the needle
  std::u16string swapped;  // text with every cased letter in upper case (same length)
  std::u16string needle;   // occurs once, at the end of text
  std::string utf8;        // text as UTF-8
  std::string latin1;      // text as Latin-1 bytes (empty for mixed text)
  orvin::String utf16Str;
  orvin::String copyStr;  // an equal text in storage of its own
  orvin::String swappedStr;
  orvin::String compactStr;  // nil for mixed text
  orvin::String compactCopyStr;
  orvin::String compactSwappedStr;
  orvin::String needleStr;
};

inline std::u16string_view sampleLine(int text) {
  switch (text) {
    case kAscii:
      return u"The quick brown fox jumps over the lazy dog, then runs far away.\n";
    case kLatin1:
      return u"Grüße aus Köln, café crème brûlée à la française, señor Ñandú.\n";
    default:
      return u"Καλημέρα κόσμε, Привет мир, 日本語のテキスト 🙂 and "
             u"more "
             u"words.\n";
  }
}

inline std::u16string_view needleOf(int text) {
  switch (text) {
    case kAscii:
      return u"needle-in-hay";
    case kLatin1:
      return u"nädelchen-ÿ";
    default:
      return u"μέλισσα-🐝-пчела";
  }
}

// Simple upper case per code point, which keeps every length.
inline std::u16string upperSameLength(std::u16string_view s) {
  std::u16string out(s);
  for (std::size_t i = 0; i < s.size();) {
    UChar32 c;
    const std::size_t start = i;
    U16_NEXT(s.data(), i, s.size(), c);
    const UChar32 u = u_toupper(c);
    if (U16_LENGTH(u) != static_cast<int32_t>(i - start)) continue;
    std::size_t j = start;
    U16_APPEND_UNSAFE(out.data(), j, u);
  }
  return out;
}

inline std::string toLatin1(std::u16string_view s) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<char>(s[i]);
  return out;
}

// `line` repeated, cut to `units` code units.
inline std::u16string repeated(std::u16string_view line, std::size_t units) {
  std::u16string out;
  out.reserve(units);
  while (out.size() + line.size() <= units) out += line;
  out += line.substr(0, units - out.size());
  return out;
}

inline std::unique_ptr<Corpus> buildCorpus(int text, std::size_t units) {
  auto c = std::make_unique<Corpus>();
  c->needle = needleOf(text);
  const std::u16string_view line = sampleLine(text);
  const std::size_t body = units > c->needle.size() ? units - c->needle.size() : 0;
  c->text = repeated(line, body);
  c->swapped = repeated(upperSameLength(line), body);
  if (!c->text.empty() && U16_IS_LEAD(c->text.back())) c->text.back() = c->swapped.back() = u'x';
  c->text += c->needle;
  c->swapped += upperSameLength(c->needle);
  c->text.resize(units);
  c->swapped.resize(units);
  c->utf16Str = orvin::String(c->text);
  c->copyStr = orvin::String(c->text);
  c->swappedStr = orvin::String(c->swapped);
  c->utf8 = c->utf16Str.toUtf8();
  if (text != kMixed) {
    c->latin1 = toLatin1(c->text);
    c->compactStr = orvin::String::withLatin1(c->latin1);
    c->compactCopyStr = orvin::String::withLatin1(c->latin1);
    c->compactSwappedStr = orvin::String::withLatin1(toLatin1(c->swapped));
  }
  c->needleStr = orvin::String(c->needle);
  return c;
}

// The corpus of `text` with `units` code units. Up to 1 Mi units each text
// and size is kept; a larger one only until another large one is asked for.
inline const Corpus& corpus(int text, std::size_t units) {
  constexpr std::size_t kKeepAll = std::size_t{1} << 20;
  static std::map<std::pair<int, std::size_t>, std::unique_ptr<Corpus>> kept;
  const auto key = std::make_pair(text, units);
  auto found = kept.find(key);
  if (found != kept.end()) return *found->second;
  if (units > kKeepAll) {
    for (auto it = kept.begin(); it != kept.end();) {
      it = it->first.second > kKeepAll ? kept.erase(it) : std::next(it);
    }
  }
  return *(kept[key] = buildCorpus(text, units));
}

// Arguments: the three texts at 1 Ki and 1 Mi code units, and at 64 Mi
// when `large` (for the scaling of our own operations); `texts` limits them
// (compact storage holds no mixed text).
inline void sizes(benchmark::internal::Benchmark* b, int texts, bool large) {
  for (int t = 0; t < texts; ++t) {
    for (std::int64_t units :
         {std::int64_t{1} << 10, std::int64_t{1} << 20, std::int64_t{1} << 26}) {
      if (units > (std::int64_t{1} << 20) && !large) continue;
      b->Args({t, units});
    }
  }
}
// Our operations: all sizes. The alternatives: up to 1 Mi.
inline void allTexts(benchmark::internal::Benchmark* b) {
  sizes(b, 3, true);
}
inline void compactTexts(benchmark::internal::Benchmark* b) {
  sizes(b, 2, true);
}
inline void anchorTexts(benchmark::internal::Benchmark* b) {
  sizes(b, 3, false);
}
inline void anchorCompactTexts(benchmark::internal::Benchmark* b) {
  sizes(b, 2, false);
}

inline const Corpus& corpusFor(const benchmark::State& state) {
  return corpus(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
}

inline void countUnits(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(1));
}

}  // namespace bench
