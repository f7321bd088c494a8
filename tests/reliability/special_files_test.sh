#!/usr/bin/env bash
# Starts the built viewer in a program folder whose icon strip, comment font,
# hotkeys and language files are FIFOs (no writer: a reader would block
# forever) and whose start folder holds FIFOs and a link loop named like
# photos. The viewer must start, end through its command list, and leave
# every one of them as it was.
#   special_files_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/vellumo-special-XXXXXX)
trap 'rm -rf "$work"' EXIT
prog=$work/program
mkdir -p "$prog/keys" "$prog/lang" "$work/photos"
cp "$build/vellumo" "$prog/"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0

printf '[General Settings]\r\nApplicationLanguage=English\r\n[Comment Settings]\r\nCommentFontFile=font.ttf\r\n' > "$prog/vellumo.ini"
printf '[Commands Settings]\r\nCommandsAfterProgramStart=142\r\n[Thumbnails Settings]\r\nThumbnails=1\r\n' >> "$prog/vellumo.ini"
fifos=("$prog/vellumo.ni" "$prog/font.ttf" "$prog/keys/Default.keys.txt" "$prog/lang/English.lang.txt"
       "$work/photos/fifo.jpg" "$work/photos/fifo.txt" "$work/photos/descript.ion")
for f in "${fifos[@]}"; do mkfifo "$f"; done
ln -s loop2.jpg "$work/photos/loop1.jpg"; ln -s loop1.jpg "$work/photos/loop2.jpg"

status=0
timeout 60 "$prog/vellumo" "$work/photos" >/dev/null 2>&1 || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: the viewer ended with $status (124: it hung)"; exit 1; }
for f in "${fifos[@]}"; do [ -p "$f" ] || { echo "FAIL: $f is no FIFO any more"; exit 1; }; done
[ -L "$work/photos/loop1.jpg" ] || { echo "FAIL: the link loop was replaced"; exit 1; }
echo "special files: the viewer started and ended; every FIFO and link left as it was"
echo "1 passed, 0 failed"
