// Collapsing runs of spaces against a hand loop over a std::u16string.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchTexts.h"
#include "chars/MutableString.h"
#include "chars/String.h"
#include "strings/RemovingCharacters.h"

namespace {

const std::u16string& spacedText(std::size_t units) {
  static std::map<std::size_t, std::u16string> texts;
  auto& text = texts[units];
  if (text.empty()) text = bench::repeated(u"lorem  ipsum\tdolor   sit amet, \t", units);
  return text;
}

bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t';
}

// The hand loop: each run of spaces and tabs becomes one space.
void collapseInto(const std::u16string& text, std::u16string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    if (!isSpace(text[i])) {
      out += text[i++];
      continue;
    }
    out += u' ';
    while (i < text.size() && isSpace(text[i])) ++i;
  }
}

void BM_StringByRemovingMultipleSpacesAndFeeds(benchmark::State& state) {
  const orvin::String s(spacedText(state.range(0)));
  for (auto _ : state) {
    const orvin::String collapsed = orvin::stringByRemovingMultipleSpacesAndFeeds(s, false);
    benchmark::DoNotOptimize(collapsed);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringByRemovingMultipleSpacesAndFeeds)->Arg(1 << 10)->Arg(1 << 20);

void BM_HandLoopCollapse_NewString(benchmark::State& state) {
  const std::u16string& text = spacedText(state.range(0));
  for (auto _ : state) {
    std::u16string out;
    out.reserve(text.size());
    collapseInto(text, out);
    const std::u16string& result = out;
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HandLoopCollapse_NewString)->Arg(1 << 10)->Arg(1 << 20);

// In place on a fresh copy each time (the copy is made unshared by the edit).
void BM_RemoveMultipleSpaces(benchmark::State& state) {
  const orvin::String s(spacedText(state.range(0)));
  for (auto _ : state) {
    orvin::MutableString m(s);
    const orvin::NSUInteger length = orvin::removeMultipleSpaces(m);
    benchmark::DoNotOptimize(length);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RemoveMultipleSpaces)->Arg(1 << 10)->Arg(1 << 20);

// The hand loop in place, on a copy of the text made each time.
void BM_HandLoopCollapse_InPlace(benchmark::State& state) {
  const std::u16string& text = spacedText(state.range(0));
  for (auto _ : state) {
    std::u16string t = text;
    std::size_t w = 0;
    for (std::size_t r = 0; r < t.size();) {
      if (!isSpace(t[r])) {
        t[w++] = t[r++];
        continue;
      }
      t[w++] = u' ';
      while (r < t.size() && isSpace(t[r])) ++r;
    }
    t.resize(w);
    const std::u16string& result = t;
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HandLoopCollapse_InPlace)->Arg(1 << 10)->Arg(1 << 20);

}  // namespace
