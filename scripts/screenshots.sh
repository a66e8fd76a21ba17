#!/bin/sh
# Takes the help book's screenshots from the real program: starts the built
# vorantel under Xvfb with a made-up camera and night photos, drives it with
# the keyboard and the mouse as a user would, and writes the pictures to
# docs/help/images/. Run it again whenever the windows change.
#
#   sh scripts/screenshots.sh [BUILD_DIR]
#
# Needs the program built (cmake --build BUILD_DIR --target vorantel
# vorantel-cli) and the Debian packages xvfb, xdotool and imagemagick.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
out=$root/docs/help/images

for tool in Xvfb xdotool import awk; do
    command -v "$tool" >/dev/null || {
        echo "screenshots.sh: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2
        exit 1
    }
done
[ -x "$build/vorantel" ] && [ -x "$build/vorantel-cli" ] || {
    echo "screenshots.sh: build vorantel and vorantel-cli in $build first" >&2
    exit 1
}

# A fixed folder, so that the paths the windows show are the same each run.
work=${TMPDIR:-/tmp}/vorantel-screenshots
rm -rf "$work"
mkdir -p "$work"
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A program folder of its own: the program, its help book, its settings.
mkdir -p "$work/app" "$work/Pictures" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/vorantel" "$build/vorantel-cli" "$work/app/"
cp -r "$build/help" "$work/app/help"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"

echo "Making the photos and the camera"
awk -v mode=black -f scripts/demo_photos.awk >"$work/black.ppm"
"$work/app/vorantel-cli" convert "$work/black.ppm" "$work/Pictures/blackshot.bmp" >/dev/null
for i in 1 2 3; do
    awk -v salt=$i -f scripts/demo_photos.awk >"$work/night$i.ppm"
    "$work/app/vorantel-cli" convert "$work/night$i.ppm" "$work/Pictures/night$i.jpg" >/dev/null
done
"$work/app/vorantel-cli" define --name Studio "$work/Pictures/blackshot.bmp" >/dev/null
printf '[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n' >"$work/app/Vorantel.ini"

echo "Starting Xvfb"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# Waits for a visible window whose title is exactly $1; prints its id.
wait_window() {
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    import -window root /tmp/vorantel-screenshots-failed.png
    for w in $(xdotool search --onlyvisible --name ""); do
        echo "  window $w: \"$(xdotool getwindowname "$w")\"" >&2
    done
    echo "screenshots.sh: no window \"$1\" appeared (the screen: /tmp/vorantel-screenshots-failed.png)" >&2
    return 1
}
# Writes the window's picture as docs/help/images/$2.
shoot() {
    sleep 0.6
    import -window "$1" "$work/shot.png"
    convert "$work/shot.png" -strip "$out/$2"
    echo "  $2"
}
# Clicks at a point of the window (x y from its top-left corner).
click() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3)) click 1
    sleep 0.4
}
keys() {
    xdotool key --delay 80 "$@"
    sleep 0.4
}
# Gives the keyboard to a window (there is no window manager to do it).
focus() {
    xdotool windowfocus "$1"
    sleep 0.2
}

mkdir -p "$out"
echo "Starting Vorantel"
(cd "$work" && exec "$work/app/vorantel" "$work/Pictures/night1.jpg" >"$work/app.log" 2>&1) &
app=$!
splash=$(wait_window "Rev Ivi Dav Or")
click "$splash" 180 90
main=$(wait_window "Vorantel - Studio")
focus "$main"

# The Camera tab with the photo named on the command line.
shoot "$main" camera.png
keys alt+e f # Edit > Fix
shoot "$main" camera-fixed.png
keys alt+f s # File > Save Retouched Photograph

# The New Camera dialog.
keys alt+f n
dialog=$(wait_window "New Camera")
xdotool type --delay 60 "Travel"
shoot "$dialog" newcamera.png
keys Escape
focus "$main"

# The Batch tab, with three photos added through its open dialog.
click "$main" 101 64
keys alt+f Down Down Down Return # File > Add Photographs to List
picker=$(wait_window "Open")
focus "$picker"
xdotool type --delay 20 "$work/Pictures/"
keys Return
xdotool type --delay 20 '"night1.jpg" "night2.jpg" "night3.jpg"'
keys Return
focus "$main"
shoot "$main" batch.png

# The Retouch tab, with the photo stored from the Camera tab chosen in its
# list (it loads after a short pause).
click "$main" 167 64
click "$main" 60 100
sleep 1
shoot "$main" retouch.png

# The effects dialog, where the program has one.
keys alt+e e
if effects=$(wait_window "Special Effects" 2>/dev/null); then
    shoot "$effects" effects.png
    keys Escape
else
    echo "  (no effects dialog opened: effects.png not made)"
fi

echo "Screenshots are in $out"
