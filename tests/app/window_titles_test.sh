#!/bin/sh
# Runs the window tests that need a real X server (the WindowSystem suite)
# on a private Xvfb display.
#   window_titles_test.sh GUI_TESTS_BINARY
# Exits 77 (skipped) where Xvfb or xprop is not installed.
set -e
tests=$1
command -v Xvfb >/dev/null && command -v xprop >/dev/null || {
    echo "Xvfb or xprop is missing (Debian: xvfb, x11-utils): skipped"
    exit 77
}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; exit 1; }
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
    "$tests" --gtest_filter='WindowSystem.*'
