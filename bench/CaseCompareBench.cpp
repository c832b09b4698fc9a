// Caseless comparison through the folding tables against ICU's own calls.
#include <benchmark/benchmark.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <string>

#include "chars/CharacterBufferCompare.h"
#include "chars/String.h"
#include "chars/StringPredicates.h"

namespace {

struct Pair {
  std::u16string a;
  std::u16string b;
};

// Two equal-length texts that differ only in case (and, for the accent
// variant, in accents), so every comparison runs to the end.
const Pair& casePair() {
  static const Pair pair = [] {
    Pair p;
    while (p.a.size() < 1024) {
      p.a += u"Hello World, Grüße aus Köln. ";
      p.b += u"hELLO wORLD, gRÜßE AUS kÖLN. ";
    }
    p.a.resize(1024);
    p.b.resize(1024);
    return p;
  }();
  return pair;
}

const Pair& accentPair() {
  static const Pair pair = [] {
    Pair p;
    while (p.a.size() < 1024) {
      p.a += u"Ärger über Café Crème. ";
      p.b += u"aRGER UBER cafe creme. ";
    }
    p.a.resize(1024);
    p.b.resize(1024);
    return p;
  }();
  return pair;
}

void BM_CaseInsensitiveCompare_Buffers(benchmark::State& state) {
  const Pair& p = casePair();
  for (auto _ : state) {
    const auto r =
        orvin::fastCaseInsensitiveCompareUnichars(p.a.data(), p.a.size(), p.b.data(), p.b.size());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p.a.size()));
}
BENCHMARK(BM_CaseInsensitiveCompare_Buffers);

void BM_CaseInsensitiveCompare_IcuStrCaseCompare(benchmark::State& state) {
  const Pair& p = casePair();
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t r =
        u_strCaseCompare(p.a.data(), static_cast<int32_t>(p.a.size()), p.b.data(),
                         static_cast<int32_t>(p.b.size()), U_FOLD_CASE_DEFAULT, &status);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p.a.size()));
}
BENCHMARK(BM_CaseInsensitiveCompare_IcuStrCaseCompare);

void BM_IsEqualToStringNoCase(benchmark::State& state) {
  const Pair& p = casePair();
  const orvin::String a(p.a);
  const orvin::String b(p.b);
  for (auto _ : state) {
    const bool equal = orvin::isEqualToStringNoCase(a, b);
    benchmark::DoNotOptimize(equal);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p.a.size()));
}
BENCHMARK(BM_IsEqualToStringNoCase);

void BM_IsNonUmlautedEqualToStringNoCase(benchmark::State& state) {
  const Pair& p = accentPair();
  const orvin::String a(p.a);
  const orvin::String b(p.b);
  for (auto _ : state) {
    const bool equal = orvin::isNonUmlautedEqualToStringNoCase(a, b);
    benchmark::DoNotOptimize(equal);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p.a.size()));
}
BENCHMARK(BM_IsNonUmlautedEqualToStringNoCase);

// What a user would otherwise write: decompose, drop the marks, fold case,
// compare.
icu::UnicodeString foldAccentsAndCase(const std::u16string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  icu::UnicodeString decomposed =
      nfd->normalize(icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())), status);
  icu::UnicodeString bare;
  for (int32_t i = 0; i < decomposed.length(); ++i) {
    const UChar c = decomposed.charAt(i);
    if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
  }
  return bare.foldCase();
}

void BM_NonUmlautedEqual_IcuNormalizeFoldCompare(benchmark::State& state) {
  const Pair& p = accentPair();
  for (auto _ : state) {
    const bool equal = foldAccentsAndCase(p.a) == foldAccentsAndCase(p.b);
    benchmark::DoNotOptimize(equal);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * p.a.size()));
}
BENCHMARK(BM_NonUmlautedEqual_IcuNormalizeFoldCompare);

}  // namespace
