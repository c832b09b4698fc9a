#!/usr/bin/env bash
# Builds the library demonstration and runs it on the given text.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/scripts/ensure-packages.sh" $(grep -v '^#' "$root/scripts/packages.txt")
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" --target orvin_demo >/dev/null
exec "$root/build/release/examples/orvin_demo" "$@"
