#!/usr/bin/env bash
# The viewer's options answered without a display, with the exit statuses the
# manual page gives: 0 for -h, --help and --version (wherever they stand),
# 2 for an unknown option, 1 when the viewer cannot start (no display); an
# existing file whose name begins with "-" and whatever follows "--" are
# paths.
#   options_test.sh BUILD_DIR
set -uo pipefail
viewer=$(cd "$1" && pwd)/vellumo
work=$(mktemp -d /tmp/vellumo-options-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
status=0
# expect STATUS PATTERN(of stdout+stderr) ARGS...
expect() {
  local want=$1 pattern=$2; shift 2
  local out got
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$viewer" "$@" 2>&1)
  got=$?
  if [ "$got" != "$want" ] || ! grep -q -- "$pattern" <<<"$out"; then
    echo "FAIL: vellumo $* gave status $got (expected $want) and: $out"
    status=1
  fi
}
touch ./-x.jpg
expect 0 '^Usage: vellumo' -h
expect 0 '^Usage: vellumo' photo.jpg --help
expect 0 '^Vellumo [0-9]' --version other.ini
expect 2 "unknown option '--bogus'" --bogus
expect 2 'Usage: vellumo' photo.jpg -z
expect 1 'cannot start' ./-x.jpg
expect 1 'cannot start' -x.jpg
expect 1 'cannot start' -- --bogus
exit $status
