// Trimming both ends of a text against GLib's g_strstrip on its UTF-8 form
// and against a loop over a std::u16string_view.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <string_view>

#include "BenchTexts.h"
#include "chars/MutableString.h"
#include "chars/String.h"
#include "strings/Trimming.h"

#ifdef ORVIN_BENCH_GLIB
#include <glib.h>
#endif

namespace {

const std::u16string& paddedText(std::size_t units) {
  static std::map<std::size_t, std::u16string> texts;
  auto& text = texts[units];
  if (text.empty()) {
    text = bench::repeated(u"lorem ipsum dolor sit amet, ", units, u" \t \n ", u" \r\n  ");
  }
  return text;
}

void BM_StringByTrimmingSpacesAndFeeds(benchmark::State& state) {
  const orvin::String s(paddedText(state.range(0)));
  for (auto _ : state) {
    const orvin::String trimmed = orvin::stringByTrimmingSpacesAndFeeds(s, true);
    benchmark::DoNotOptimize(trimmed);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringByTrimmingSpacesAndFeeds)->Arg(1 << 10)->Arg(1 << 20);

// In place, on a string refilled with the text each time (as the in-place
// anchor below refills its buffer).
void BM_TrimWhiteSpaces(benchmark::State& state) {
  const orvin::String s(paddedText(state.range(0)));
  orvin::MutableString m;
  for (auto _ : state) {
    m.setString(s);
    orvin::trimWhiteSpaces(m);
    const orvin::MutableString& result = m;
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TrimWhiteSpaces)->Arg(1 << 10)->Arg(1 << 20);

bool isWhite(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

std::u16string_view trimmedView(std::u16string_view v) {
  while (!v.empty() && isWhite(v.front())) v.remove_prefix(1);
  while (!v.empty() && isWhite(v.back())) v.remove_suffix(1);
  return v;
}

// The loop a user would write, giving an owned string as ours does.
void BM_U16StringViewTrim(benchmark::State& state) {
  const std::u16string& text = paddedText(state.range(0));
  for (auto _ : state) {
    const std::u16string trimmed(trimmedView(text));
    benchmark::DoNotOptimize(trimmed);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_U16StringViewTrim)->Arg(1 << 10)->Arg(1 << 20);

// The same loop, keeping only the view (no copy).
void BM_U16StringViewTrim_ViewOnly(benchmark::State& state) {
  const std::u16string& text = paddedText(state.range(0));
  for (auto _ : state) {
    const std::u16string_view trimmed = trimmedView(text);
    benchmark::DoNotOptimize(trimmed);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_U16StringViewTrim_ViewOnly)->Arg(1 << 10)->Arg(1 << 20);

#ifdef ORVIN_BENCH_GLIB
// A trimmed copy with GLib: g_strdup, then g_strstrip (which trims in place).
void BM_GStrStrip_Copy(benchmark::State& state) {
  const std::string bytes = bench::asciiBytes(paddedText(state.range(0)));
  for (auto _ : state) {
    gchar* copy = g_strstrip(g_strdup(bytes.c_str()));
    benchmark::DoNotOptimize(copy);
    g_free(copy);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GStrStrip_Copy)->Arg(1 << 10)->Arg(1 << 20);

// In place, on a buffer refilled with the text each time.
void BM_GStrStrip_InPlace(benchmark::State& state) {
  const std::string bytes = bench::asciiBytes(paddedText(state.range(0)));
  std::string buffer(bytes.size() + 1, '\0');
  for (auto _ : state) {
    std::memcpy(buffer.data(), bytes.c_str(), bytes.size() + 1);
    const gchar* trimmed = g_strstrip(buffer.data());
    benchmark::DoNotOptimize(trimmed);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GStrStrip_InPlace)->Arg(1 << 10)->Arg(1 << 20);
#endif

}  // namespace
