#!/usr/bin/env bash
# Kills the viewer with SIGKILL at random moments while it starts, completes
# its settings, language and hotkeys files and writes its settings back at
# exit, over and over; every fourth start turns a photo by rewriting the
# rotation macros of its comment file, and every fourth makes thumbnails
# (their cache file in the photo folder) during a total show whose script it
# writes. After every kill each file must be the one it had before that start
# or a whole new one, no temporary file may be left in the program or photo
# folders, and the next start reads what the kill left.
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
# Photos (BMP with the 40-byte header the decoder reads), and a comment file.
for i in 1 2 3; do convert -size 320x240 xc:"rgb($((i * 60)),20,20)" "BMP3:$work/photos/a/p$i.bmp"; done
for i in $(seq 1 12); do convert -size 640x480 xc:"rgb($((i * 20)),90,20)" "$work/photos/b/q$i.jpg"; done
comment=$work/photos/a/p1.txt cache=$work/photos/b/vellumo.cache
printf 'Sea at dusk\r\n' > "$comment"
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

# The settings of the two companion-file rounds: the complete file with the
# command list (and thumbnails) of the round.
with() {  # commands [thumbnails]
  sed -e "s/^CommandsAfterProgramStart=[^ ]*/CommandsAfterProgramStart=$1/" \
      -e "s/^Thumbnails=0/Thumbnails=${2:-0}/" -e "s/^ThumbnailsCacheInFolders=0/ThumbnailsCacheInFolders=${2:-0}/" \
      "$work/ini.complete"
}
with 110,142 > "$work/ini.rotate"
with 117,167 1 > "$work/ini.show"
cp "$work/ini.rotate" "$ini"
measure_start=$(date +%s%N)
"$prog/vellumo" "$work/photos/a/p1.bmp" >/dev/null 2>&1 || fail "an undisturbed turn failed"
rotate_ms=$(( ($(date +%s%N) - measure_start) / 1000000 + 50 ))
# The thumbnails round runs until it is killed: the undisturbed start shows
# how long it takes to write the cache and the script.
cp "$work/ini.show" "$ini"
measure_start=$(date +%s%N)
"$prog/vellumo" "$work/photos/b" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 400); do [ -f "$cache" ] && ls "$prog"/*.script.txt >/dev/null 2>&1 && break; sleep 0.05; done
show_ms=$(( ($(date +%s%N) - measure_start) / 1000000 + 50 ))
sleep 0.5
kill -KILL "$pid"; wait "$pid" 2>/dev/null || true
[ -f "$cache" ] || fail "an undisturbed start made no thumbnail cache"
ls "$prog"/*.script.txt >/dev/null 2>&1 || fail "an undisturbed start wrote no script"
rm -f "$cache" "$prog"/*.script.txt

# A file is whole when it is what it was before the start, or complete: it
# ends with a line end and holds every key of the undisturbed start's file.
check() {  # name (ini, lang, keys)
  local file=${!1} before=$work/$1.before
  [ -f "$file" ] || { [ ! -e "$before" ] && return 0; fail "$file vanished"; }
  cmp -s "$file" "$before" && return 0
  [ "$(tail -c 2 "$file" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "$file does not end in a line end"
  cmp -s <(keyset "$file") "$work/$1.keys" || fail "$file is neither the old file nor a whole new one"
}

# A cache file is whole when its length is what its header, names and image
# count make (a start may write it before any thumbnail is made: no names).
u32() { od -An -tu4 -j "$1" -N4 "$cache" | tr -d ' '; }
check_cache() {
  [ -f "$cache" ] || return 0
  local size tag count side
  size=$(stat -c %s "$cache")
  [ "$size" -ge 20 ] || fail "the thumbnail cache is cut short ($size bytes)"
  if [ "$(u32 4)" = 0 ]; then [ "$size" -eq 20 ] && return 0; fail "the thumbnail cache has bytes after its end"; fi
  tag=$(grep -obUaE 'VTH[12]' "$cache" | head -n 1 | cut -d: -f1 || true)
  [ -n "$tag" ] || fail "the thumbnail cache is cut short before its images"
  count=$(u32 $((tag + 4))) side=$(u32 8)
  [ "$size" -eq $((tag + 8 + count * side * side * 4)) ] || fail "the thumbnail cache is damaged ($size bytes)"
}

# The comment file holds its text and the rotation macros of one of the four
# turns; a script its header line, then lines naming photos that exist.
check_comment() {
  local text
  text=$(od -An -c "$comment" | tr -d ' \n')
  case $text in
    'Seaatdusk\r\n' | 'Seaatdusk\r\n%ROTATE_LEFT%' | 'Seaatdusk\r\n%ROTATE_LEFT%%ROTATE_LEFT%' | \
      'Seaatdusk\r\n%ROTATE_RIGHT%') ;;
    *) fail "the comment file is damaged: $text" ;;
  esac
}
check_show() {
  check_cache
  local script first line
  for script in "$prog"/*.script.txt; do
    [ -f "$script" ] || continue
    first=; IFS= read -r first < "$script" || true
    case $first in 'format=1000   ; after semicolon'*) ;; *) fail "$script has no whole header: $first" ;; esac
    while IFS= read -r line || [ -n "$line" ]; do
      line=${line%$'\r'}
      case $line in */photos/b/q*.jpg) [ -f "$work/photos/b/${line##*/}" ] && continue ;; esac
      fail "$script names no photo: $line"
    done < <(tail -n +2 "$script")
  done
}

kills=0 named=0 turned=0 cached=0 scripted=0 started=$(date +%s)
while :; do
  if [ "$limit_kills" -gt 0 ]; then [ "$kills" -ge "$limit_kills" ] && break
  elif [ $(( $(date +%s) - started )) -ge "$limit_seconds" ]; then break; fi
  kind=$((kills % 4))
  # Every fourth round takes lines away, so the start has files to complete.
  if [ "$kind" -eq 0 ]; then
    head -n $((RANDOM % 60 + 4)) "$work/ini.complete" > "$ini"
    printf '[Commands Settings]\r\nCommandsAfterProgramStart=142\r\n' >> "$ini"
    head -n $((RANDOM % 40 + 1)) "$work/lang.complete" > "$lang"
    [ $((RANDOM % 3)) -eq 0 ] && rm -f "$keys" || head -n $((RANDOM % 40 + 1)) "$work/keys.complete" > "$keys"
  fi
  target=$work/photos/a; [ $((RANDOM % 2)) -eq 0 ] && target=$work/photos/b
  limit=$run_ms
  if [ "$kind" -eq 2 ]; then
    cp "$work/ini.rotate" "$ini"; target=$work/photos/a/p1.bmp; limit=$rotate_ms
  elif [ "$kind" -eq 3 ]; then
    cp "$work/ini.show" "$ini"; target=$work/photos/b; limit=$show_ms
    rm -f "$cache" "$prog"/*.script.txt
  fi
  for f in ini lang keys; do rm -f "$work/$f.before"; [ -f "${!f}" ] && cp "${!f}" "$work/$f.before"; done
  cp "$comment" "$work/comment.before"
  "$prog/vellumo" "$target" >/dev/null 2>&1 &
  pid=$!
  delay=$(( RANDOM % limit ))
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kills=$((kills + 1))
  check ini; check lang; check keys; check_comment; check_show
  cmp -s "$comment" "$work/comment.before" || turned=$((turned + 1))
  if [ "$kind" -eq 3 ]; then
    [ -f "$cache" ] && cached=$((cached + 1))
    ls "$prog"/*.script.txt >/dev/null 2>&1 && scripted=$((scripted + 1))
  fi
  # A kill in the instant between naming the new file and the rename leaves
  # it (".NAME.PID-N"); anything else is a fault. The next write removes it.
  leftovers=$(find "$prog" "$work/photos" -name '.*' -type f | grep -Ev '/\.[^/]+\.[0-9]+-[0-9]+$' | head -3 || true)
  [ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"
  named=$((named + $(find "$prog" "$work/photos" -name '.*' -type f | wc -l)))
done
# The last state starts cleanly, is completed, and no temporary file stays.
head -n 10 "$work/ini.complete" > "$ini"
printf '[Commands Settings]\r\nCommandsAfterProgramStart=142\r\n' >> "$ini"
head -n 10 "$work/lang.complete" > "$lang"
head -n 10 "$work/keys.complete" > "$keys"
"$prog/vellumo" "$work/photos/a" >/dev/null 2>&1 || fail "the start after the last kill failed"
cmp -s <(keyset "$ini") "$work/ini.keys" || fail "the last start did not complete the settings file"
leftovers=$(find "$prog" -name '.*' -type f | head -3)
[ -z "$leftovers" ] || fail "temporary files stay after a clean start: $leftovers"
echo "kill test: $kills kills, each file old or new and whole; $named killed in the instant of a rename;" \
  "the comment file turned in $turned, the thumbnail cache written in $cached and a script in $scripted"
echo "$kills passed, 0 failed"
