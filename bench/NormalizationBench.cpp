// Normalization against ICU's unorm2_normalize, and ASCII folding against
// ICU's "Latin-ASCII" transliterator.
#include <benchmark/benchmark.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/unorm2.h>

#include <memory>
#include <string>

#include "BenchTexts.h"
#include "chars/String.h"
#include "strings/Normalization.h"

namespace {

// Accented Latin text with decomposed accents, so composition has work.
const std::u16string& accentedText(std::size_t units) {
  static std::map<std::size_t, std::u16string> texts;
  auto& text = texts[units];
  if (text.empty()) {
    text = bench::repeated(u"Cre\u0300me bru\u0302le\u0301e, Gru\u0308\u00DFe aus Ko\u0308ln. ",
                           units);
  }
  return text;
}

void BM_NormalizedString(benchmark::State& state) {
  const orvin::String s(accentedText(state.range(0)));
  for (auto _ : state) {
    const orvin::String normalized = orvin::normalizedString(s);
    benchmark::DoNotOptimize(normalized);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NormalizedString)->Arg(1 << 10)->Arg(1 << 20);

// What a user would call: unorm2_normalize into a string of their own.
void BM_IcuUnorm2Normalize(benchmark::State& state) {
  const std::u16string& text = accentedText(state.range(0));
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  for (auto _ : state) {
    std::u16string out(text.size(), u'\0');
    status = U_ZERO_ERROR;
    const int32_t n = unorm2_normalize(nfc, text.data(), static_cast<int32_t>(text.size()),
                                       out.data(), static_cast<int32_t>(out.size()), &status);
    out.resize(static_cast<std::size_t>(n));
    const std::u16string& result = out;
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IcuUnorm2Normalize)->Arg(1 << 10)->Arg(1 << 20);

void BM_AsciiString(benchmark::State& state) {
  const orvin::String s(accentedText(state.range(0)));
  for (auto _ : state) {
    const orvin::String ascii = orvin::asciiString(s);
    benchmark::DoNotOptimize(ascii);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AsciiString)->Arg(1 << 10)->Arg(1 << 20);

void BM_IcuLatinAsciiTransliterator(benchmark::State& state) {
  const icu::UnicodeString text(accentedText(state.range(0)).data(),
                                static_cast<int32_t>(state.range(0)));
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::Transliterator> latinAscii(
      icu::Transliterator::createInstance("Latin-ASCII", UTRANS_FORWARD, status));
  if (U_FAILURE(status)) {
    state.SkipWithError("no Latin-ASCII transliterator");
    return;
  }
  for (auto _ : state) {
    icu::UnicodeString out(text);
    latinAscii->transliterate(out);
    const icu::UnicodeString& result = out;
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IcuLatinAsciiTransliterator)->Arg(1 << 10)->Arg(1 << 20);

}  // namespace
