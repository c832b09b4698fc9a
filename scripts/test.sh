#!/usr/bin/env bash
# Builds everything with warnings as errors and runs all tests, then builds
# and runs the tests again under AddressSanitizer + UndefinedBehaviorSanitizer,
# then gives each fuzz target a short run.
# Usage: scripts/test.sh [--quick]   (--quick: skip the sanitizer and fuzz runs)
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/ensure-packages.sh" $(grep -v '^#' "$root/scripts/packages.txt")

echo "== layer check"
"$root/scripts/check-layers.sh"

jobs=$(nproc)
passed=0
# Runs ctest in a build folder and adds its count of passed tests.
run_tests() {  # dir, extra ctest args...
  local log dir=$1
  shift
  log=$(mktemp)
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure "$@" | tee "$log"
  local total
  total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
  rm -f "$log"
  passed=$((passed + ${total:-0}))
}
build() {  # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DWENDLOCK_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== build and test (Release, -Werror)"
build "$root/build/release" -DCMAKE_BUILD_TYPE=Release
run_tests "$root/build/release"

echo "== build and test without the desktop and Bluetooth backends (Release)"
# The generic service names no backend; with both off, nothing of GTK or
# BlueZ may reach the build.
if grep -rlE '#include [<"](gtk/|gdk/|bluetooth/|service/platform/(gtk|bluez|bluetooth)/)' \
    "$root"/service/*.h "$root"/service/*.cpp "$root"/service/platform/*.h \
    "$root"/service/platform/*.cpp; then
  echo "the generic service includes a backend (above)" >&2
  exit 1
fi
minimal="$root/build/minimal"
# The library is built shared here, so the install test also checks
# liborvin.so and a consumer of it.
cmake -S "$root" -B "$minimal" -G Ninja -DWENDLOCK_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  -DWENDLOCK_GTK=OFF -DWENDLOCK_BLUEZ=OFF -DWENDLOCK_BENCH=OFF -DBUILD_SHARED_LIBS=ON >/dev/null
cmake --build "$minimal" -j "$jobs"
if grep -qE 'gtk|bluetooth|bluez' "$minimal/compile_commands.json" ||
    ldd "$minimal/service/wendlock" | grep -qE 'gtk|gdk|bluetooth'; then
  echo "the build without backends still uses GTK or BlueZ" >&2
  exit 1
fi
run_tests "$minimal" -L 'service|e2e|install'

if [ "${1:-}" = "--quick" ]; then
  echo "$passed passed, 0 failed"
  exit 0
fi

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
# Release, as the README pairs the option with it: the optimiser's warnings
# (format truncation and the like) show only there.
build "$root/build/sanitize" -DCMAKE_BUILD_TYPE=Release -DWENDLOCK_SANITIZE=ON -DWENDLOCK_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_tests "$root/build/sanitize"

echo "== fuzz targets, short runs"
fuzz_targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do fuzz_targets+=("$(basename "$source" .cpp)"); done
CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DWENDLOCK_WERROR=ON \
  -DCMAKE_BUILD_TYPE=Debug -DWENDLOCK_FUZZ=ON -DWENDLOCK_BENCH=OFF >/dev/null
# Only the fuzz targets: the rest was built and tested above.
cmake --build "$root/build/fuzz" -j "$jobs" --target "${fuzz_targets[@]}"
for target in "$root"/build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  corpus="$root/fuzz/corpus/$(basename "$target")"
  work="$root/build/fuzz/corpus/$(basename "$target")"
  mkdir -p "$work"
  dict="$root/fuzz/$(basename "$target").dict"
  "$target" -max_total_time=20 -rss_limit_mb=2048 $( [ -f "$dict" ] && echo "-dict=$dict" ) "$work" \
    $( [ -d "$corpus" ] && echo "$corpus" ) 2>&1 | tail -n 2
done

echo "$passed passed, 0 failed"
