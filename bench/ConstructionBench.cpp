// Making a String from UTF-8 and Latin-1 bytes against ICU's
// UnicodeString::fromUTF8 and a plain copy of the bytes.
#include <benchmark/benchmark.h>
#include <unicode/unistr.h>

#include <string>

#include "StringCorpus.h"

namespace {

void BM_WithUtf8(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const orvin::String s = orvin::String::withUtf8(c.utf8);
    benchmark::DoNotOptimize(s);
  }
  bench::countUnits(state);
}
void BM_WithUtf8_IcuFromUtf8(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const icu::UnicodeString s = icu::UnicodeString::fromUTF8(c.utf8);
    benchmark::DoNotOptimize(s);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_WithUtf8)->Apply(bench::allTexts);
BENCHMARK(BM_WithUtf8_IcuFromUtf8)->Apply(bench::anchorTexts);

void BM_WithLatin1(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const orvin::String s = orvin::String::withLatin1(c.latin1);
    benchmark::DoNotOptimize(s);
  }
  bench::countUnits(state);
}
void BM_WithLatin1_StdStringCopy(benchmark::State& state) {
  const bench::Corpus& c = bench::corpusFor(state);
  for (auto _ : state) {
    const std::string s = c.latin1;
    benchmark::DoNotOptimize(s);
  }
  bench::countUnits(state);
}
BENCHMARK(BM_WithLatin1)->Apply(bench::compactTexts);
BENCHMARK(BM_WithLatin1_StdStringCopy)->Apply(bench::anchorCompactTexts);

}  // namespace
