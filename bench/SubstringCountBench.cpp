// Counting and finding a substring in 1 KiB and 1 MiB of text, against
// loops of u16string_view::find (non-overlapping, left to right, as
// countSubstring counts).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "StringCorpus.h"
#include "paths/SubstringSearch.h"

namespace {

const std::u16string kWord = u"fox";

template <class Pick>
void count(benchmark::State& state, Pick pick) {
  const bench::Corpus& c = bench::corpusFor(state);
  const orvin::String& hay = pick(c);
  const orvin::String word(kWord);
  for (auto _ : state) {
    const orvin::NSUInteger n = orvin::countSubstring(hay, word);
    benchmark::DoNotOptimize(n);
  }
  bench::countUnits(state);
}

void BM_CountSubstring_Utf16(benchmark::State& state) {
  count(state, [](const bench::Corpus& c) -> const orvin::String& { return c.utf16Str; });
}
void BM_CountSubstring_Compact(benchmark::State& state) {
  count(state, [](const bench::Corpus& c) -> const orvin::String& { return c.compactStr; });
}
void BM_CountSubstring_Find(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  const std::u16string_view hay(c.text);
  for (auto _ : state) {
    std::size_t n = 0;
    for (std::size_t at = hay.find(kWord); at != std::u16string_view::npos;
         at = hay.find(kWord, at + kWord.size())) {
      ++n;
    }
    benchmark::DoNotOptimize(n);
  }
  bench::countUnits(state);
}

template <class Pick>
void contains(benchmark::State& state, Pick pick) {
  const bench::Corpus& c = bench::corpusFor(state);
  const orvin::String& hay = pick(c);
  for (auto _ : state) {
    const bool found = orvin::containsSubstring(hay, c.needleStr);
    benchmark::DoNotOptimize(found);
  }
  bench::countUnits(state);
}

void BM_ContainsSubstring_Utf16(benchmark::State& state) {
  contains(state, [](const bench::Corpus& c) -> const orvin::String& { return c.utf16Str; });
}
void BM_ContainsSubstring_Compact(benchmark::State& state) {
  contains(state, [](const bench::Corpus& c) -> const orvin::String& { return c.compactStr; });
}
void BM_ContainsSubstring_Find(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  const std::u16string_view hay(c.text);
  for (auto _ : state) {
    const bool found = hay.find(c.needle) != std::u16string_view::npos;
    benchmark::DoNotOptimize(found);
  }
  bench::countUnits(state);
}

BENCHMARK(BM_CountSubstring_Utf16)->Apply(bench::anchorTexts);
BENCHMARK(BM_CountSubstring_Compact)->Apply(bench::anchorCompactTexts);
BENCHMARK(BM_CountSubstring_Find)->Apply(bench::anchorTexts);
BENCHMARK(BM_ContainsSubstring_Utf16)->Apply(bench::anchorTexts);
BENCHMARK(BM_ContainsSubstring_Compact)->Apply(bench::anchorCompactTexts);
BENCHMARK(BM_ContainsSubstring_Find)->Apply(bench::anchorTexts);

}  // namespace
