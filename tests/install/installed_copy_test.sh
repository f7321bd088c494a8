#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed viewer on a
# photo as an unprivileged user (root writes anywhere, so root runs it as
# nobody): the program folder stays untouched and the user's changed setting
# is found in the per-user folder after a restart.
#   installed_copy_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/vellumo-install-XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# The layout: a self-contained program folder and the desktop's files.
[ "$(readlink "$prefix/bin/vellumo")" = ../lib/vellumo/vellumo ] || fail "bin/vellumo is not a link into lib/vellumo"
for f in lib/vellumo/vellumo lib/vellumo/vellumo.bmp lib/vellumo/lang/English.lang.txt \
         lib/vellumo/keys/Default.keys.txt share/applications/org.vellumo.Vellumo.desktop \
         share/metainfo/org.vellumo.Vellumo.metainfo.xml share/man/man1/vellumo.1 \
         share/icons/hicolor/48x48/apps/vellumo.png share/icons/hicolor/256x256/apps/vellumo.png; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
ls "$prefix"/lib/vellumo/help/*.html >/dev/null 2>&1 || fail "no help pages"
desktop-file-validate "$prefix/share/applications/org.vellumo.Vellumo.desktop" || fail "desktop file"
appstreamcli validate --no-net "$prefix/share/metainfo/org.vellumo.Vellumo.metainfo.xml" >/dev/null || fail "metainfo"
grep -q 'MimeType=.*image/jpeg' "$prefix/share/applications/org.vellumo.Vellumo.desktop" || fail "MIME types"
"$prefix/bin/vellumo" --version | grep -q '^Vellumo [0-9]' || fail "--version"
"$prefix/bin/vellumo" --help | grep -q '^Usage: vellumo' || fail "--help"

# An installed copy cannot be written by its users.
chmod -R a+rX "$work"
chmod -R a-w "$prefix/lib/vellumo"
before=$(cd "$prefix/lib/vellumo" && find . | sort)

mkdir -p "$work/home" "$work/photos/trip"
cp "$prefix/lib/vellumo/vellumo.bmp" "$work/photos/trip/sunset.bmp"
runas=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$work/home"
  runas=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
run() {
  local status=0
  env -u XDG_CONFIG_HOME HOME="$work/home" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    timeout -s TERM 8 "${runas[@]}" "$prefix/bin/vellumo" "$@" >/dev/null 2>&1 || status=$?
  # SIGTERM closes the viewer the normal way, writing its settings back.
  [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || fail "the viewer ended with status $status"
}
user_ini="$work/home/.config/vellumo/$(printf '%s' "$prefix/lib/vellumo" | sed 's/%/%25/g; s|/|%2F|g')/vellumo.ini"

run "$work/photos/trip/sunset.bmp"
[ -f "$user_ini" ] || fail "no per-user settings file at $user_ini"
grep -q "^PathToStart=$work/photos/trip"$'\r'"\$" "$user_ini" || fail "the folder was not remembered: $(cat "$user_ini")"
grep -q '^SlideShowDelay=' "$user_ini" && fail "unchanged keys were written into the user's file"

run
grep -q "^PathToStart=$work/photos/trip"$'\r'"\$" "$user_ini" || fail "the restart lost the remembered folder"
[ "$(cd "$prefix/lib/vellumo" && find . | sort)" = "$before" ] || fail "the program folder was written to"
echo "1 passed, 0 failed"
