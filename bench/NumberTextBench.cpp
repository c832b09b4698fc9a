// Number and size text through the shared formatters, against a bare ICU
// number formatter and against snprintf.
#include <benchmark/benchmark.h>
#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chars/String.h"
#include "support/NumberFormatter.h"

namespace {

constexpr std::int64_t kValue = 1234567;
constexpr std::uint64_t kSize = 1536000;

void useEnglish() {
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
}

void BM_stringForInteger(benchmark::State& state) {
  useEnglish();
  for (auto _ : state) {
    const orvin::String text = orvin::stringForInteger(kValue);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_stringForInteger);

// What a user of ICU would write: one formatter kept, a grouped integer.
void BM_icuFormatInt(benchmark::State& state) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::number::LocalizedNumberFormatter formatter =
      icu::number::NumberFormatter::withLocale("en_US");
  for (auto _ : state) {
    const icu::UnicodeString text = formatter.formatInt(kValue, status).toString(status);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_icuFormatInt);

// What a C programmer would write (no grouping).
void BM_snprintfInt(benchmark::State& state) {
  for (auto _ : state) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(kValue));
    const char* done = text;
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintfInt);

void BM_stringForSize(benchmark::State& state) {
  useEnglish();
  for (auto _ : state) {
    const orvin::String text = orvin::stringForSize(kSize);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_stringForSize);

void BM_icuFormatSize(benchmark::State& state) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::number::LocalizedNumberFormatter formatter =
      icu::number::NumberFormatter::withLocale("en_US").precision(
          icu::number::Precision::maxFraction(1));
  for (auto _ : state) {
    icu::UnicodeString text = formatter.formatDouble(kSize / 1048576.0, status).toString(status);
    text += u" MB";
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_icuFormatSize);

void BM_snprintfSize(benchmark::State& state) {
  for (auto _ : state) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", kSize / 1048576.0);
    const char* done = text;
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintfSize);

}  // namespace
