#!/usr/bin/env bash
# Fails when a library file includes a header of a higher layer or of the
# program: chars < strings < paths < support, and nothing of the library
# includes service/. Also fails when a public header of the library leaves
# its declarations out of the export marks, or includes a private header.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case $1 in
    chars) echo 0 ;; strings) echo 1 ;; paths) echo 2 ;; support) echo 3 ;; service) echo 4 ;;
    *) echo -1 ;;
  esac
}

status=0
layers=(chars strings paths support)
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || continue
  own=$(rank "$layer")
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")
    [ "$(rank "$target")" -gt "$own" ] || continue
    echo "$file:$line: the $layer layer includes a higher layer: $text" >&2
    status=1
  done < <(grep -rnE '^#include "[^"]+"' --include='*.h' --include='*.cpp' "$layer" || true)

  while read -r header; do
    if ! grep -q '^ORVIN_PUBLIC_BEGIN' "$header"; then
      echo "$header: a public header without ORVIN_PUBLIC_BEGIN/ORVIN_PUBLIC_END" >&2
      status=1
    fi
    # A friend function first declared in its class is exported only with
    # ORVIN_EXPORT (defaulted and inline friends need no symbol).
    if grep -nE '^\s*friend [^(]*\(' "$header" | grep -vE 'ORVIN_EXPORT|= default;|\{' |
        grep -vE '^[0-9]+:\s*friend (class|struct) ' >&2; then
      echo "$header: a friend function above lacks ORVIN_EXPORT" >&2
      status=1
    fi
    if grep -qE '^#include "[^"]*/internal/' "$header"; then
      echo "$header: a public header includes a private one" >&2
      status=1
    fi
  done < <(find "$layer" -name '*.h' -not -path '*/internal/*' -not -name Export.h)
done
exit $status
