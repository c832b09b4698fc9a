// Memory of a 1 MB ASCII text in compact storage against UTF-16 storage, and
// the cost of making each.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "chars/String.h"

namespace {

const std::string& megabyteOfAscii() {
  static const std::string text = [] {
    std::string s;
    s.reserve(1 << 20);
    while (s.size() < (1u << 20)) s += "The quick brown fox jumps over the lazy dog. ";
    s.resize(1 << 20);
    return s;
  }();
  return text;
}

std::size_t heapInUse() {
  return mallinfo2().uordblks;
}

// Reports the heap bytes one string of the text holds as "heap_bytes".
template <class Make>
void measure(benchmark::State& state, Make make) {
  const std::string& text = megabyteOfAscii();
  std::size_t held = 0;
  for (auto _ : state) {
    const std::size_t before = heapInUse();
    const orvin::String s = make(text);
    held = heapInUse() - before;
    benchmark::DoNotOptimize(s);
  }
  state.counters["heap_bytes"] = static_cast<double>(held);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Memory_CompactFromAscii(benchmark::State& state) {
  measure(state, [](const std::string& t) { return orvin::String::withUtf8(t); });
}
BENCHMARK(BM_Memory_CompactFromAscii);

void BM_Memory_Utf16FromAscii(benchmark::State& state) {
  const std::u16string wide(megabyteOfAscii().begin(), megabyteOfAscii().end());
  measure(state, [&](const std::string&) { return orvin::String(wide); });
}
BENCHMARK(BM_Memory_Utf16FromAscii);

}  // namespace
