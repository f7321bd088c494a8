#!/usr/bin/env bash
# The screen's colour profile from outside, under Xvfb: a photo of red
# (200, 0, 0) shows red on a screen without a profile; a profile whose red
# and green are changed round set on the root window's _ICC_PROFILE while
# the viewer runs turns it green on the screen, and removing the profile
# turns it red again; the same profile set before the start shows the first
# photo green at once.
#   screen_profile_test.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
for tool in xvfb-run import xprop; do
  command -v "$tool" > /dev/null || { echo "screen_profile_test: $tool is not installed"; exit 1; }
done
work=$(mktemp -d /tmp/vellumo-screen-profile-XXXXXX)
trap 'rm -rf "$work"' EXIT
# A 24-bit BMP of 64 x 48 red pixels.
{
  printf 'BM'; printf '\x36\x24\x00\x00'; printf '\x00\x00\x00\x00'; printf '\x36\x00\x00\x00'
  printf '\x28\x00\x00\x00'; printf '\x40\x00\x00\x00'; printf '\x30\x00\x00\x00'
  printf '\x01\x00\x18\x00'; printf '\x00\x00\x00\x00'; printf '\x00\x24\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  for _ in $(seq 3072); do printf '\x00\x00\xc8'; done
} > "$work/red.bmp"
printf '[General Settings]\r\nApplicationLanguage=English\r\nScaleStart=f\r\n[Navigator Settings]\r\nNavigator=0\r\n' > "$work/v.ini"

cat > "$work/run.sh" <<EOS
set -u
cd "$work"
# A client that stays connected: the server would forget the root
# window's properties when its last client leaves.
xprop -root -spy > /dev/null &
spy=\$!
sleep 0.3
centre() { import -window root -crop 1x1+512+384 -depth 8 txt:- | sed -n 's/.*srgb(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p'; }
# Waits up to 10 s for the centre to show red (r) or green (g).
await() {
  local want=\$1 rgb
  for _ in \$(seq 100); do
    rgb=\$(centre)
    set -- \$rgb
    if [ "\$want" = r ] && [ "\${1:-0}" -gt 150 ] && [ "\${2:-255}" -lt 50 ]; then echo "red (\$rgb)"; return 0; fi
    if [ "\$want" = g ] && [ "\${2:-0}" -gt 150 ] && [ "\${1:-255}" -lt 50 ]; then echo "green (\$rgb)"; return 0; fi
    sleep 0.1
  done
  echo "FAIL: expected \$want, the screen shows (\$rgb)"
  return 1
}
status=0
"$build/vellumo" "$work/red.bmp" "$work/v.ini" > /dev/null 2>&1 &
viewer=\$!
await r || status=1
"$build/set_screen_profile" swap
await g || status=1
"$build/set_screen_profile" none
await r || status=1
kill \$viewer; wait \$viewer 2> /dev/null
"$build/set_screen_profile" swap
"$build/vellumo" "$work/red.bmp" "$work/v.ini" > /dev/null 2>&1 &
viewer=\$!
await g || status=1
kill \$viewer; wait \$viewer 2> /dev/null
kill \$spy
exit \$status
EOS
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/run.sh"
