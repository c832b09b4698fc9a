// isEqualToStringNoCase against ICU's u_strCaseCompare, on two texts that
// differ only in letter case, so that every comparison runs to the end.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include "StringCorpus.h"
#include "chars/StringPredicates.h"

namespace {

void BM_EqualNoCase_Utf16(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const bool r = orvin::isEqualToStringNoCase(c.utf16Str, c.swappedStr);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_EqualNoCase_Compact(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const bool r = orvin::isEqualToStringNoCase(c.compactStr, c.compactSwappedStr);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
void BM_EqualNoCase_IcuCaseCompare(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  const auto n = static_cast<int32_t>(c.text.size());
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t r =
        u_strCaseCompare(c.text.data(), n, c.swapped.data(), n, U_FOLD_CASE_DEFAULT, &status);
    benchmark::DoNotOptimize(r);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_EqualNoCase_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_EqualNoCase_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_EqualNoCase_IcuCaseCompare)->Apply(bench::anchorTexts);

}  // namespace
