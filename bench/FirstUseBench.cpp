// What building each process-wide rep and table costs. The library builds
// each once, on first use; here every iteration builds a fresh, uncached one
// (the character sets they copy from stay cached after the first build).
#include <benchmark/benchmark.h>

#include "chars/CharacterSet.h"
#include "chars/CharacterSetReps.h"
#include "chars/ConversionTables.h"
#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"

namespace {

using orvin::detail::CharacterSetRepKind;
using orvin::detail::ConversionTableKind;
using orvin::detail::PredefinedSet;

void BM_BuildCharacterSet(benchmark::State& state) {
  const auto kind = static_cast<PredefinedSet>(state.range(0));
  for (auto _ : state) {
    orvin::CharacterSet* const set = orvin::detail::buildPredefinedCharacterSet(kind);
    benchmark::DoNotOptimize(set);
    orvin::releaseWorkMemory(set);
  }
}
BENCHMARK(BM_BuildCharacterSet)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

void BM_BuildCharacterSetRep(benchmark::State& state) {
  const auto kind = static_cast<CharacterSetRepKind>(state.range(0));
  for (auto _ : state) {
    std::uint8_t* const rep = orvin::detail::buildCharacterSetRep(kind);
    benchmark::DoNotOptimize(rep);
    orvin::releaseWorkMemory(rep);
  }
}
BENCHMARK(BM_BuildCharacterSetRep)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

void BM_BuildConversionTable(benchmark::State& state) {
  const auto kind = static_cast<ConversionTableKind>(state.range(0));
  for (auto _ : state) {
    orvin::unichar* const table = orvin::detail::buildConversionTable(kind);
    benchmark::DoNotOptimize(table);
    orvin::releaseWorkMemory(table);
  }
}
BENCHMARK(BM_BuildConversionTable)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
