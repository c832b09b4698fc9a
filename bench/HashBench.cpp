// std::hash<String> against std::hash<std::u16string_view> over the same
// code units.
#include <benchmark/benchmark.h>

#include <functional>
#include <string_view>

#include "StringCorpus.h"

namespace {

void BM_Hash_Utf16(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::size_t h = std::hash<orvin::String>{}(c.utf16Str);
    benchmark::DoNotOptimize(h);
  }
  bench::countUnits(state);
}
void BM_Hash_Compact(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::size_t h = std::hash<orvin::String>{}(c.compactStr);
    benchmark::DoNotOptimize(h);
  }
  bench::countUnits(state);
}
void BM_Hash_StdU16StringView(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::size_t h = std::hash<std::u16string_view>{}(c.text);
    benchmark::DoNotOptimize(h);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_Hash_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Hash_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Hash_StdU16StringView)->Apply(bench::anchorTexts);

}  // namespace
