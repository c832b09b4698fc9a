// User defaults: a read is a lookup in memory; a save writes one file. Set
// beside a plain map lookup and a bare write of the same property list.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "chars/TextFiles.h"
#include "support/UserDefaults.h"

namespace {

// A file in this run's own folder, removed at exit; "" when there is none,
// so that nothing is ever written beside other people's files.
std::string scratchFile(const char* name) {
  static const struct Folder {
    std::string path;
    Folder() {
      std::string pattern = "/tmp/orvin-bench-XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~Folder() {
      std::error_code ignored;
      if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
  } folder;
  return folder.path.empty() ? std::string() : folder.path + "/" + name;
}

orvin::String keyFor(int i) {
  return orvin::String::withUtf8("Key" + std::to_string(i));
}

void BM_defaultsRead(benchmark::State& state) {
  orvin::UserDefaults store{orvin::String()};
  for (int i = 0; i < 100; ++i) store.setObject(i, keyFor(i));
  const orvin::String key = keyFor(42);
  for (auto _ : state) {
    const std::int64_t value = orvin::integerForKey(store, key, -1);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_defaultsRead)->Iterations(1000000);

// The least a store must do: one locked map lookup.
void BM_mapRead(benchmark::State& state) {
  std::map<std::string, std::int64_t> map;
  for (int i = 0; i < 100; ++i) map["Key" + std::to_string(i)] = i;
  const std::string key = "Key42";
  for (auto _ : state) {
    const auto found = map.find(key);
    const std::int64_t value = found != map.end() ? found->second : -1;
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_mapRead)->Iterations(1000000);

void BM_defaultsWrite1000AndSync(benchmark::State& state) {
  const std::string file = scratchFile("defaults.plist");
  if (file.empty()) return state.SkipWithError("no scratch folder");
  const orvin::String path = orvin::String::withUtf8(file);
  int round = 0;
  for (auto _ : state) {
    orvin::UserDefaults store(path);
    for (int i = 0; i < 1000; ++i) store.setObject(round + i, keyFor(i));
    const bool saved = store.synchronize();
    benchmark::DoNotOptimize(saved);
    ++round;
  }
}
BENCHMARK(BM_defaultsWrite1000AndSync)->Unit(benchmark::kMillisecond);

// The same 1000 keys as one property list written atomically, no lock, no
// merge, no reading back.
void BM_plistWrite1000(benchmark::State& state) {
  const std::string file = scratchFile("bare.plist");
  if (file.empty()) return state.SkipWithError("no scratch folder");
  const orvin::String path = orvin::String::withUtf8(file);
  int round = 0;
  for (auto _ : state) {
    orvin::PropertyList::Dictionary entries;
    for (int i = 0; i < 1000; ++i) entries[keyFor(i)] = round + i;
    const auto data = orvin::dataFromPropertyList(orvin::PropertyList(entries));
    const bool saved =
        data &&
        orvin::writeFileBytes(
            path, std::string_view(reinterpret_cast<const char*>(data->data()), data->size()),
            true);
    benchmark::DoNotOptimize(saved);
    ++round;
  }
}
BENCHMARK(BM_plistWrite1000)->Unit(benchmark::kMillisecond);

}  // namespace
