#!/usr/bin/env bash
# Kills the viewer with SIGKILL at random moments while it starts, completes
# its settings, language and hotkeys files and writes its settings back at
# exit, over and over. After every kill each file must be the one it had
# before that start or a whole new one, no temporary file may be left in the
# program folder, and the next start reads what the kill left.
#   kill_test.sh BUILD_DIR [SECONDS | --kills N]
set -euo pipefail
build=$(cd "$1" && pwd)
limit_seconds=${2:-40}
limit_kills=0
if [ "${2:-}" = --kills ]; then limit_kills=$3; limit_seconds=0; fi
work=$(mktemp -d /tmp/vellumo-kill-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL after $kills kills: $*"; exit 1; }

prog=$work/program
mkdir -p "$prog" "$work/photos/a" "$work/photos/b"
cp "$build/vellumo" "$prog/"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
ini=$prog/vellumo.ini lang=$prog/lang/English.lang.txt keys=$prog/keys/Default.keys.txt

# One undisturbed start makes the complete files to compare with; the start
# ends itself through its command list.
printf '[General Settings]\r\nApplicationLanguage=English\r\n[Commands Settings]\r\nCommandsAfterProgramStart=142\r\n' > "$ini"
"$prog/vellumo" "$work/photos/a" >/dev/null 2>&1 || fail "an undisturbed start failed"
cp "$ini" "$work/ini.complete"; cp "$lang" "$work/lang.complete"; cp "$keys" "$work/keys.complete"
keyset() { tr -d '\r' < "$1" | grep -o '^[A-Za-z0-9]*=' | sort -u; }
for f in ini lang keys; do keyset "$work/$f.complete" > "$work/$f.keys"; done
measure_start=$(date +%s%N)
"$prog/vellumo" "$work/photos/b" >/dev/null 2>&1 || fail "a second undisturbed start failed"
run_ms=$(( ($(date +%s%N) - measure_start) / 1000000 + 50 ))

# A file is whole when it is what it was before the start, or complete: it
# ends with a line end and holds every key of the undisturbed start's file.
check() {  # name (ini, lang, keys)
  local file=${!1} before=$work/$1.before
  [ -f "$file" ] || { [ ! -e "$before" ] && return 0; fail "$file vanished"; }
  cmp -s "$file" "$before" && return 0
  [ "$(tail -c 2 "$file" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "$file does not end in a line end"
  cmp -s <(keyset "$file") "$work/$1.keys" || fail "$file is neither the old file nor a whole new one"
}

kills=0 started=$(date +%s)
while :; do
  if [ "$limit_kills" -gt 0 ]; then [ "$kills" -ge "$limit_kills" ] && break
  elif [ $(( $(date +%s) - started )) -ge "$limit_seconds" ]; then break; fi
  # Every other round takes lines away, so the start has files to complete.
  if [ $((kills % 2)) -eq 0 ]; then
    head -n $((RANDOM % 60 + 4)) "$work/ini.complete" > "$ini"
    printf '[Commands Settings]\r\nCommandsAfterProgramStart=142\r\n' >> "$ini"
    head -n $((RANDOM % 40 + 1)) "$work/lang.complete" > "$lang"
    [ $((RANDOM % 3)) -eq 0 ] && rm -f "$keys" || head -n $((RANDOM % 40 + 1)) "$work/keys.complete" > "$keys"
  fi
  for f in ini lang keys; do rm -f "$work/$f.before"; [ -f "${!f}" ] && cp "${!f}" "$work/$f.before"; done
  folder=$work/photos/a; [ $((RANDOM % 2)) -eq 0 ] && folder=$work/photos/b
  "$prog/vellumo" "$folder" >/dev/null 2>&1 &
  pid=$!
  delay=$(( RANDOM % run_ms ))
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kills=$((kills + 1))
  check ini; check lang; check keys
  leftovers=$(find "$prog" -name '.*' -type f | head -3)
  [ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"
done
# The last state starts cleanly and is completed.
"$prog/vellumo" "$work/photos/a" >/dev/null 2>&1 || fail "the start after the last kill failed"
cmp -s <(keyset "$ini") "$work/ini.keys" || fail "the last start did not complete the settings file"
echo "kill test: $kills kills, each file old or new and whole, no temporary file left"
echo "$kills passed, 0 failed"
