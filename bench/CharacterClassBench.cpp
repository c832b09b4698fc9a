// Character classes through the bitmap reps against asking ICU per code unit.
#include <benchmark/benchmark.h>
#include <unicode/uchar.h>

#include <string>

#include "chars/CharacterSetReps.h"
#include "chars/String.h"

namespace {

// Mixed text: mostly letters and digits, some Latin-1 and Greek.
const std::u16string& sampleText() {
  static const std::u16string text = [] {
    std::u16string s;
    while (s.size() < 4096) s += u"Grüße2024Καλημέρα0815Straße";
    s.resize(4096);
    return s;
  }();
  return text;
}

bool isAlnumByIcu(UChar c) {
  // The alphaNum rep's classes: letters (L*), marks (M*) and numbers (N*).
  constexpr uint32_t mask = U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK;
  return (U_MASK(u_charType(c)) & mask) != 0;
}

void BM_CountAlphaNum_Rep(benchmark::State& state) {
  const orvin::String s(sampleText());
  const std::uint8_t* rep = orvin::alphaNumCharacterSetRep();
  for (auto _ : state) {
    const orvin::NSUInteger n = orvin::countCharactersPartOfSet(s, rep);
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * sampleText().size()));
}
BENCHMARK(BM_CountAlphaNum_Rep);

void BM_CountAlphaNum_IcuCharType(benchmark::State& state) {
  const std::u16string& text = sampleText();
  for (auto _ : state) {
    std::size_t n = 0;
    for (char16_t c : text) n += isAlnumByIcu(c);
    const std::size_t counted = n;
    benchmark::DoNotOptimize(counted);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountAlphaNum_IcuCharType);

void BM_CountAlphaNum_IcuIsAlnum(benchmark::State& state) {
  const std::u16string& text = sampleText();
  for (auto _ : state) {
    std::size_t n = 0;
    for (char16_t c : text) n += u_isalnum(c) ? 1 : 0;
    const std::size_t counted = n;
    benchmark::DoNotOptimize(counted);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountAlphaNum_IcuIsAlnum);

void BM_IsAlphaNumString_Rep(benchmark::State& state) {
  const orvin::String s(sampleText());
  for (auto _ : state) {
    const bool all = orvin::isAlphaNumString(s);
    benchmark::DoNotOptimize(all);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * sampleText().size()));
}
BENCHMARK(BM_IsAlphaNumString_Rep);

void BM_IsAlphaNumString_Compact(benchmark::State& state) {
  std::string latin1;
  for (char16_t c : sampleText()) latin1.push_back(static_cast<char>(c < 0x100 ? c : 'x'));
  const orvin::String s = orvin::String::withLatin1(latin1);
  for (auto _ : state) {
    const bool all = orvin::isAlphaNumString(s);
    benchmark::DoNotOptimize(all);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * latin1.size()));
}
BENCHMARK(BM_IsAlphaNumString_Compact);

void BM_IsAlphaNumString_IcuCharType(benchmark::State& state) {
  const std::u16string& text = sampleText();
  for (auto _ : state) {
    bool all = true;
    for (char16_t c : text) {
      if (!isAlnumByIcu(c)) {
        all = false;
        break;
      }
    }
    const bool result = all;
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IsAlphaNumString_IcuCharType);

}  // namespace
