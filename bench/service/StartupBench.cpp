// From process start to the first tick: wendlock is spawned with a text and
// a TCP target that is a listening socket of this benchmark. The request is
// delivered at the start of the first tick and its handler connects at once,
// so the OBEX Connect packet arriving marks the first tick. Beside it, what
// any process costs to start and end (/bin/true), and wendlock's own start
// and end without a request (--version: the loader and static set-up only).
// WENDLOCK_BENCH_PROGRAM names another wendlock to measure (an older build,
// side by side).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "BenchProcess.h"

namespace wendlock::bench {
namespace {

constexpr double kPatienceSeconds = 10.0;

std::string program() {
  const char* other = std::getenv("WENDLOCK_BENCH_PROGRAM");
  return other != nullptr && *other != '\0' ? other : WENDLOCK_PATH;
}

// The shared libraries `pid` has mapped.
std::size_t mappedLibraries(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::set<std::string> libraries;
  for (std::string line; std::getline(maps, line);) {
    const std::size_t path = line.find('/');
    if (path != std::string::npos && line.find(".so", path) != std::string::npos) {
      libraries.insert(line.substr(path));
    }
  }
  return libraries.size();
}

void BM_WendlockStartToConnect(benchmark::State& state) {
  const Listener listener;
  if (!listener.ok()) {
    state.SkipWithError("no loopback listener");
    return;
  }
  const std::string target = "tcp:127.0.0.1:" + std::to_string(listener.port());
  double accepted = 0;
  double cpu = 0;
  std::size_t libraries = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawnQuiet({program(), "--to", target, "--text", "Hello"});
    if (pid < 0) {
      state.SkipWithError("cannot start wendlock");
      break;
    }
    const int fd = listener.accept(kPatienceSeconds);
    const Clock::time_point acceptedAt = Clock::now();
    std::uint8_t connect[7] = {};
    const bool received = fd >= 0 && readExactly(fd, connect, sizeof connect, kPatienceSeconds);
    const Clock::time_point connectAt = Clock::now();
    // Its job here is done; the rest of its life is not measured.
    libraries = mappedLibraries(pid);
    rusage usage{};
    killAndReap(pid, &usage);
    cpu += cpuSeconds(usage);
    if (fd >= 0) ::close(fd);
    if (!received || connect[0] != 0x80) {
      state.SkipWithError("no OBEX Connect from wendlock");
      break;
    }
    state.SetIterationTime(secondsBetween(start, connectAt));
    accepted += secondsBetween(start, acceptedAt);
  }
  state.counters["accepted_ms"] =
      benchmark::Counter(accepted * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["child_cpu_ms"] =
      benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["libraries"] = static_cast<double>(libraries);
}
BENCHMARK(BM_WendlockStartToConnect)->UseManualTime()->Unit(benchmark::kMillisecond);

void startToExit(benchmark::State& state, const std::vector<std::string>& argv) {
  double cpu = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawnQuiet(argv);
    rusage usage{};
    const std::optional<int> status =
        pid < 0 ? std::nullopt : waitForExit(pid, kPatienceSeconds, &usage);
    const Clock::time_point end = Clock::now();
    if (status != 0) {
      state.SkipWithError("the program did not end with status 0");
      break;
    }
    state.SetIterationTime(secondsBetween(start, end));
    cpu += cpuSeconds(usage);
  }
  state.counters["child_cpu_ms"] =
      benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

void BM_TrueStartToExit(benchmark::State& state) {
  startToExit(state, {"/bin/true"});
}
BENCHMARK(BM_TrueStartToExit)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WendlockVersionStartToExit(benchmark::State& state) {
  startToExit(state, {program(), "--version"});
}
BENCHMARK(BM_WendlockVersionStartToExit)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace wendlock::bench
