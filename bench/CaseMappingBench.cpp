// Case mapping and normalization of a whole string against ICU's
// u_strToUpper / u_strToLower / unorm2_normalize into a new buffer, which is
// what a caller needs to get a mapped copy.
#include <benchmark/benchmark.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <string>

#include "StringCorpus.h"
#include "chars/MutableString.h"

namespace {

using orvin::MutableString;

template <class Edit>
void edit(benchmark::State& state, bool compact, Edit change) {
  const bench::Corpus& c = bench::corpusFor(state);
  const orvin::String& text = compact ? c.compactStr : c.utf16Str;
  for (auto _ : state) {
    MutableString m(text);
    change(m);
    benchmark::DoNotOptimize(m);
  }
  bench::countUnits(state);
}

// Maps into a new buffer of the text's length, growing once if asked to.
template <class Map>
void icuMap(benchmark::State& state, Map map) {
  const bench::Corpus& c = bench::corpusFor(state);
  const auto n = static_cast<int32_t>(c.text.size());
  for (auto _ : state) {
    std::u16string out(c.text.size(), u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = map(out.data(), n, c.text.data(), n, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<std::size_t>(needed));
      status = U_ZERO_ERROR;
      needed = map(out.data(), needed, c.text.data(), n, &status);
    }
    benchmark::DoNotOptimize(out);
  }
  bench::countUnits(state);
}

void BM_Uppercase_Utf16(benchmark::State& state) {
  edit(state, false, [](MutableString& m) { m.uppercase(); });
}
void BM_Uppercase_Compact(benchmark::State& state) {
  edit(state, true, [](MutableString& m) { m.uppercase(); });
}
void BM_Uppercase_IcuToUpper(benchmark::State& state) {
  icuMap(state, [](UChar* d, int32_t cap, const UChar* s, int32_t n, UErrorCode* st) {
    return u_strToUpper(d, cap, s, n, "", st);
  });
}
BENCHMARK(BM_Uppercase_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Uppercase_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Uppercase_IcuToUpper)->Apply(bench::anchorTexts);

void BM_Lowercase_Utf16(benchmark::State& state) {
  edit(state, false, [](MutableString& m) { m.lowercase(); });
}
void BM_Lowercase_Compact(benchmark::State& state) {
  edit(state, true, [](MutableString& m) { m.lowercase(); });
}
void BM_Lowercase_IcuToLower(benchmark::State& state) {
  icuMap(state, [](UChar* d, int32_t cap, const UChar* s, int32_t n, UErrorCode* st) {
    return u_strToLower(d, cap, s, n, "", st);
  });
}
BENCHMARK(BM_Lowercase_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_Lowercase_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_Lowercase_IcuToLower)->Apply(bench::anchorTexts);

void BM_NormalizeC_Utf16(benchmark::State& state) {
  edit(state, false, [](MutableString& m) { m.normalize(MutableString::NormalizationForm::C); });
}
void BM_NormalizeC_Compact(benchmark::State& state) {
  edit(state, true, [](MutableString& m) { m.normalize(MutableString::NormalizationForm::C); });
}
void BM_NormalizeC_IcuNormalize(benchmark::State& state) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  icuMap(state, [nfc](UChar* d, int32_t cap, const UChar* s, int32_t n, UErrorCode* st) {
    return unorm2_normalize(nfc, s, n, d, cap, st);
  });
}
BENCHMARK(BM_NormalizeC_Utf16)->Apply(bench::allTexts);
BENCHMARK(BM_NormalizeC_Compact)->Apply(bench::compactTexts);
BENCHMARK(BM_NormalizeC_IcuNormalize)->Apply(bench::anchorTexts);

}  // namespace
