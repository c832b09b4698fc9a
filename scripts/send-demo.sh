#!/usr/bin/env bash
# Sends a text with wendlock to a real OBEX receiver on 127.0.0.1, on a
# machine without Bluetooth, and shows the file that arrived.
# Usage: scripts/send-demo.sh [TEXT...]   (no TEXT: a short sample)
# Exits with wendlock's own exit status (0 delivered, 1 alert, 2 usage).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/release"

# Room for text in one Put: 512-byte packets (what wendlock asks for) less
# the packet, Name, Type and Length headers. The Name header grows with the
# date-based file name, so the exact room varies by a few bytes.
about_room=430

say() { printf '%s\n' "$*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/wendlock-demo.XXXXXX")
receiver_pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  if [ -n "$receiver_pid" ] && kill -0 "$receiver_pid" 2>/dev/null; then
    kill "$receiver_pid" 2>/dev/null || true
    wait "$receiver_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mapfile -t packages < <(grep -v -e '^#' -e '^[[:space:]]*$' "$root/scripts/packages.txt")
"$root/scripts/ensure-packages.sh" "${packages[@]}"

say "Building wendlock and obex-receiver (Release, in build/release)..."
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$build" --target wendlock obex-receiver; } >"$work/build.log" 2>&1; then
  tail -n 30 "$work/build.log" >&2
  say "The build failed; the last lines of its log are above." >&2
  exit 1
fi
wendlock="$build/service/wendlock"
receiver="$build/tools/obex-receiver/obex-receiver"

if [ $# -gt 0 ]; then
  text="$*"
else
  text="Hello from Wendlock! 👋
This note travelled as one .txt file with OBEX Object Push,
over TCP on 127.0.0.1 instead of Bluetooth.
Grüße aus Köln · Καλημέρα · こんにちは"
fi

# The port file stays outside the inbox, so only pushed objects land there.
inbox="$work/inbox"
mkdir "$inbox"
"$receiver" --listen 127.0.0.1:0 --dir "$inbox" --once --timeout 15 \
  --port-file "$work/port" >"$work/objects.jsonl" 2>"$work/receiver.log" &
receiver_pid=$!

port=
for _ in $(seq 50); do
  if [ -s "$work/port" ]; then
    port=$(tr -dc '0-9' <"$work/port")
    [ -n "$port" ] && break
  fi
  kill -0 "$receiver_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  cat "$work/receiver.log" >&2
  say "The OBEX receiver did not start; its log is above." >&2
  exit 1
fi
say "An OBEX receiver (libopenobex) is listening on 127.0.0.1:$port."

bytes=$(printf '%s' "$text" | wc -c)
if [ "$bytes" -gt "$about_room" ]; then
  say "Note: your text is $bytes bytes in UTF-8, but one OBEX Put carries only"
  say "about $about_room bytes of text (the exact room depends on the length of the"
  say "date-based file name). Wendlock will most likely refuse it; try a shorter text."
fi

say "Sending $bytes bytes of text with: wendlock --to tcp:127.0.0.1:$port --text ..."
set +e
"$wendlock" --to "tcp:127.0.0.1:$port" --text "$text" </dev/null
status=$?
set -e

# The receiver ends by itself after one session (--once); it is given a few
# seconds, since wendlock may have ended without ever connecting.
for _ in $(seq 50); do
  kill -0 "$receiver_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$receiver_pid" 2>/dev/null; then
  kill "$receiver_pid" 2>/dev/null || true
fi
wait "$receiver_pid" 2>/dev/null || true
receiver_pid=

# One JSON line per stored object, written by our own receiver.
json_field() {  # line, field: the string or number value of field
  printf '%s' "$1" | sed -n "s/.*\"$2\": \\(null\\|[0-9][0-9]*\\|\"\\(\\\\.\\|[^\"\\\\]\\)*\"\\).*/\\1/p" |
    sed -e 's/^"//' -e 's/"$//' -e 's/\\"/"/g' -e 's/\\\\/\\/g'
}

record=$(head -n 1 "$work/objects.jsonl")
if [ -z "$record" ]; then
  say ""
  if [ "$status" -eq 0 ]; then
    say "wendlock ended without an error, yet no file arrived at the receiver."
  else
    say "No file arrived (wendlock exited with status $status; its message is above)."
  fi
  exit "$status"
fi

name=$(json_field "$record" name)
type=$(json_field "$record" type)
length=$(json_field "$record" length_header)
stored=$(json_field "$record" bytes)
path=$(json_field "$record" path)

say ""
say "A file arrived:"
say "  name:       $name"
if [ "$(basename -- "$path")" != "$name" ]; then
  say "  stored as:  $(basename -- "$path")"
fi
say "  type:       $type"
say "  length:     $stored bytes (the Length header said $length)"
say "  content:"
if [ -f "$path" ]; then
  sed 's/^/    | /' "$path"
  [ -z "$(tail -c 1 "$path")" ] || say ""
else
  say "    (the stored file is missing)"
fi
exit "$status"
