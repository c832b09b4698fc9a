// Reading large rich text: the plain-character path the service takes
// against the attributed path, in time and in peak memory, beside ICU's
// UTF-8 to UTF-16 conversion of as many bytes (the least any reader of text
// pays). Peak memory is the rise of the resident set over the read, measured
// in a child process (Linux's peak-RSS reset, /proc/self/clear_refs), and
// reported as a ratio to the input's size.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "support/formats/RtfReader.h"

namespace {

// Documents of about `bytes` bytes in shapes that make many runs.
enum Shape { kFontSwitches, kBoldGroups, kStyledText };

std::string document(Shape shape, std::size_t bytes) {
  std::string head =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Liberation Sans;}}\n";
  std::string unit;
  switch (shape) {
    case kFontSwitches:
      unit = "\\f0 a\\f1 b";
      break;
    case kBoldGroups:
      unit = "{\\b a}b";
      break;
    case kStyledText:
      unit = "Gr\\'fc\\'dfe aus K\\'f6ln, {\\b fett} und {\\i kursiv} \\u8364? 12,50\\par\n";
      break;
  }
  std::string out = head;
  out.reserve(bytes + unit.size() + 2);
  while (out.size() < bytes) out += unit;
  out += '}';
  return out;
}

const std::string& cached(Shape shape, std::size_t bytes) {
  static std::map<std::pair<int, std::size_t>, std::string> documents;
  auto& d = documents[{shape, bytes}];
  if (d.empty()) d = document(shape, bytes);
  return d;
}

long statusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

// The peak rise of the resident set while `work` runs, in bytes, measured in
// a child so that neither earlier runs nor the benchmark's own heap count.
double peakRise(const std::function<void()>& work) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    malloc_trim(0);
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long before = statusKilobytes("VmRSS");
    work();
    const double rise = static_cast<double>(statusKilobytes("VmHWM") - before) * 1024.0;
    (void)!write(pipeEnds[1], &rise, sizeof rise);
    _exit(0);
  }
  close(pipeEnds[1]);
  double rise = -1;
  if (read(pipeEnds[0], &rise, sizeof rise) != sizeof rise) rise = -1;
  close(pipeEnds[0]);
  waitpid(child, nullptr, 0);
  return rise;
}

// Time per read at state.range(0) bytes; the peak memory of one read at that
// size, as a multiple of the input, in "peak_per_input_byte".
using Read = std::size_t (*)(const std::string& rtf);

void measure(benchmark::State& state, Shape shape, Read read) {
  const std::string& rtf = cached(shape, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const auto result = read(rtf);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
  state.counters["peak_per_input_byte"] = peakRise([&] {
                                            const auto result = read(rtf);
                                            benchmark::DoNotOptimize(result);
                                          }) /
                                          static_cast<double>(rtf.size());
}

std::size_t plainRead(const std::string& rtf) {
  return orvin::readRTFCharacters(rtf, nullptr).length();
}
std::size_t attributedRead(const std::string& rtf) {
  const auto s = orvin::readRTF(rtf, nullptr);
  return s ? s->runs().size() : 0u;
}
// The yardstick: ICU's conversion of as many UTF-8 bytes to UTF-16.
std::size_t icuUtf8(const std::string& bytes) {
  std::u16string out(bytes.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  return static_cast<std::size_t>(length);
}

// 1 MiB and 16 MiB (the most a request takes): time per byte shows whether
// the read is linear; the peak ratio is measured at each size.
#define RTF_BENCHMARK(name, shape, read)        \
  BENCHMARK_CAPTURE(measure, name, shape, read) \
      ->Arg(1 << 20)                            \
      ->Arg(16 << 20)                           \
      ->Unit(benchmark::kMillisecond)
RTF_BENCHMARK(RtfPlain_FontSwitches, kFontSwitches, plainRead);
RTF_BENCHMARK(RtfAttributed_FontSwitches, kFontSwitches, attributedRead);
RTF_BENCHMARK(RtfPlain_BoldGroups, kBoldGroups, plainRead);
RTF_BENCHMARK(RtfAttributed_BoldGroups, kBoldGroups, attributedRead);
RTF_BENCHMARK(RtfPlain_StyledText, kStyledText, plainRead);
RTF_BENCHMARK(RtfAttributed_StyledText, kStyledText, attributedRead);
RTF_BENCHMARK(IcuUtf8ToUtf16, kStyledText, icuUtf8);

}  // namespace
