// lines() against a split that copies each line into a std::u16string.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "StringCorpus.h"
#include "strings/FeedCharacters.h"
#include "strings/Lines.h"

namespace {

std::vector<std::u16string> splitCopying(std::u16string_view text) {
  std::vector<std::u16string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!orvin::isFeedCharacter(text[i])) continue;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    out.emplace_back(text.substr(start, i + 1 - start));
    start = i + 1;
  }
  if (start < text.size()) out.emplace_back(text.substr(start));
  return out;
}

void BM_Lines_Utf16(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::vector<orvin::String> r = orvin::lines(c.utf16Str);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_Lines_Compact(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::vector<orvin::String> r = orvin::lines(c.compactStr);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_Lines_SplitCopying(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::vector<std::u16string> r = splitCopying(c.text);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_Lines_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Lines_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Lines_SplitCopying)->Apply(bench::anchorTexts);

}  // namespace
