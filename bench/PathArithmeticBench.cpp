// Natural-order comparison of file names against glibc's strverscmp, and
// lexical path standardization against std::filesystem's lexically_normal.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "paths/NaturalOrder.h"
#include "paths/PathComponents.h"

namespace {

// 256 file names like "IMG_42 (3).jpeg" and "report-v12.10.pdf": few
// stems, so that sorting compares through shared prefixes and digit runs.
const std::vector<std::string>& fileNames() {
  static const std::vector<std::string> names = [] {
    std::mt19937 random(2024);
    const char* stems[] = {"IMG_", "report-v", "track ", "scan", "Invoice_2026-"};
    const char* extensions[] = {".jpeg", ".pdf", ".flac", ".tiff", ".txt"};
    std::vector<std::string> out;
    for (int i = 0; i < 256; ++i) {
      std::string name = stems[random() % 5];
      name += std::to_string(random() % 10000);
      if (random() % 2 != 0) name += "." + std::to_string(random() % 100);
      if (random() % 3 == 0) name += " (" + std::to_string(random() % 20) + ")";
      name += extensions[random() % 5];
      out.push_back(name);
    }
    return out;
  }();
  return names;
}

// Sorting the names, as a file list does: the order of indexes, so that
// both sides move the same small values.
template <class Less>
void sortNames(benchmark::State& state, Less less) {
  std::vector<int> order(fileNames().size());
  for (auto _ : state) {
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), less);
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(order.size()));
}

void BM_NaturalCompare(benchmark::State& state) {
  std::vector<orvin::String> names;
  for (const std::string& name : fileNames()) names.push_back(orvin::String::withUtf8(name));
  sortNames(state, [&](int x, int y) {
    return orvin::compareWithLastPathComponent(names[x], names[y]) < 0;
  });
}

void BM_NaturalCompare_Strverscmp(benchmark::State& state) {
  const std::vector<std::string>& names = fileNames();
  sortNames(state,
            [&](int x, int y) { return ::strverscmp(names[x].c_str(), names[y].c_str()) < 0; });
}

const std::vector<std::string>& messyPaths() {
  static const std::vector<std::string> paths = {
      "/home/anna/projects/./wendlock/../orvin/src//paths/PathComponents.cpp",
      "/usr/local/share/../lib/x86_64-linux-gnu/./libfoo.so.1/",
      "../../include/orvin/./chars/String.h",
      "/var/tmp//cache/thumbnails/large/0123456789abcdef.png",
      "docs/./manual/../guide/chapter-1/section-2/../section-3/index.html",
      "/a/b/c/d/e/f/g/h/../../../../x/y/z",
      "/srv/up/../../etc/passwd",
      "/home/anna/Music/Artist Name/Album (2019)/01 - First Track.flac",
  };
  return paths;
}

void BM_StandardizedPath(benchmark::State& state) {
  std::vector<orvin::String> paths;
  for (const std::string& path : messyPaths()) paths.push_back(orvin::String::withUtf8(path));
  for (auto _ : state) {
    for (const orvin::String& path : paths) {
      const orvin::String standard = orvin::standardizedPath(path);
      benchmark::DoNotOptimize(standard);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * paths.size()));
}

void BM_StandardizedPath_LexicallyNormal(benchmark::State& state) {
  std::vector<std::filesystem::path> paths(messyPaths().begin(), messyPaths().end());
  for (auto _ : state) {
    for (const std::filesystem::path& path : paths) {
      const std::filesystem::path standard = path.lexically_normal();
      benchmark::DoNotOptimize(standard);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * paths.size()));
}

BENCHMARK(BM_NaturalCompare);
BENCHMARK(BM_NaturalCompare_Strverscmp);
BENCHMARK(BM_StandardizedPath);
BENCHMARK(BM_StandardizedPath_LexicallyNormal);

}  // namespace
