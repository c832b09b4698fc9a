// Exact and case-insensitive search, range comparison and prefix tests
// against what a user would otherwise call: ICU's u_strFindFirst and
// u_strCompare (after u_strFoldCase for the caseless ones) and
// u16string_view::starts_with.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <string>
#include <string_view>

#include "StringCorpus.h"
#include "chars/StringServices.h"

namespace {

using bench::Corpus;
using orvin::NSRange;
using orvin::String;

int32_t len(const std::u16string& s) {
  return static_cast<int32_t>(s.size());
}

std::u16string icuFold(const std::u16string& s) {
  std::u16string out(s.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n =
      u_strFoldCase(out.data(), len(out), s.data(), len(s), U_FOLD_CASE_DEFAULT, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(n));
    status = U_ZERO_ERROR;
    u_strFoldCase(out.data(), n, s.data(), len(s), U_FOLD_CASE_DEFAULT, &status);
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

template <class Pick>
void find(benchmark::State& state, Pick pick, orvin::NSUInteger options) {
  const Corpus& c = bench::corpusFor(state);
  const String& hay = pick(c);
  const NSRange all{0, hay.length()};
  for (auto _ : state) {
    const NSRange r = orvin::rangeOfString(hay, c.needleStr, options, all);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}

void BM_Find_Utf16(benchmark::State& state) {
  find(
      state, [](const Corpus& c) -> const String& { return c.utf16Str; }, 0);
}
void BM_Find_Compact(benchmark::State& state) {
  find(
      state, [](const Corpus& c) -> const String& { return c.compactStr; }, 0);
}
void BM_Find_Icu(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const UChar* r = u_strFindFirst(c.text.data(), len(c.text), c.needle.data(), len(c.needle));
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_Find_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Find_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Find_Icu)->Apply(bench::anchorTexts);

void BM_FindNoCase_Utf16(benchmark::State& state) {
  find(
      state, [](const Corpus& c) -> const String& { return c.swappedStr; },
      orvin::kCompareCaseInsensitive);
}
void BM_FindNoCase_Compact(benchmark::State& state) {
  find(
      state, [](const Corpus& c) -> const String& { return c.compactSwappedStr; },
      orvin::kCompareCaseInsensitive);
}
void BM_FindNoCase_IcuFoldFind(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::u16string hay = icuFold(c.swapped);
    const std::u16string needle = icuFold(c.needle);
    const UChar* r = u_strFindFirst(hay.data(), len(hay), needle.data(), len(needle));
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_FindNoCase_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_FindNoCase_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_FindNoCase_IcuFoldFind)->Apply(bench::anchorTexts);

template <class Pick>
void compare(benchmark::State& state, Pick pick, orvin::NSUInteger options) {
  const Corpus& c = bench::corpusFor(state);
  const auto [a, b] = pick(c);
  for (auto _ : state) {
    const auto r = orvin::compareRange(*a, NSRange{0, a->length()}, *b, options);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}

using StringPair = std::pair<const String*, const String*>;

void BM_Compare_Utf16(benchmark::State& state) {
  compare(
      state,
      [](const Corpus& c) {
        return StringPair{&c.utf16Str, &c.copyStr};
      },
      0);
}
void BM_Compare_Compact(benchmark::State& state) {
  compare(
      state,
      [](const Corpus& c) {
        return StringPair{&c.compactStr, &c.compactCopyStr};
      },
      0);
}
void BM_Compare_Icu(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  const std::u16string copy = c.text;
  for (auto _ : state) {
    const int32_t r = u_strCompare(c.text.data(), len(c.text), copy.data(), len(copy), false);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_Compare_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Compare_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Compare_Icu)->Apply(bench::anchorTexts);

void BM_CompareNoCase_Utf16(benchmark::State& state) {
  compare(
      state,
      [](const Corpus& c) {
        return StringPair{&c.utf16Str, &c.swappedStr};
      },
      orvin::kCompareCaseInsensitive);
}
void BM_CompareNoCase_Compact(benchmark::State& state) {
  compare(
      state,
      [](const Corpus& c) {
        return StringPair{&c.compactStr, &c.compactSwappedStr};
      },
      orvin::kCompareCaseInsensitive);
}
void BM_CompareNoCase_IcuFoldCompare(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::u16string a = icuFold(c.text);
    const std::u16string b = icuFold(c.swapped);
    const int32_t r = u_strCompare(a.data(), len(a), b.data(), len(b), false);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_CompareNoCase_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_CompareNoCase_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_CompareNoCase_IcuFoldCompare)->Apply(bench::anchorTexts);

void BM_HasPrefix_Utf16(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const bool r = orvin::hasPrefix(c.utf16Str, c.copyStr);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_HasPrefix_Compact(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const bool r = orvin::hasPrefix(c.compactStr, c.compactCopyStr);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_HasPrefix_StartsWith(benchmark::State& state) {
  const Corpus& c = bench::corpusFor(state);
  const std::u16string copy = c.text;
  for (auto _ : state) {
    const bool r = std::u16string_view(c.text).starts_with(std::u16string_view(copy));
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_HasPrefix_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_HasPrefix_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_HasPrefix_StartsWith)->Apply(bench::anchorTexts);

}  // namespace
