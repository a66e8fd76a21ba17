#!/bin/sh
# Drives the built program on a private X display with a window manager
# (openbox), as a user does: keys and clicks from xdotool, close requests
# from the window manager (wmctrl -c, as the close button sends them), and
# checks what is on screen (window titles) and on disk.
#   desktop_scenarios.sh VORANTEL VORANTEL_CLI
# Exits 77 (skipped) where a tool is missing.
set -u
program=$1
cli=$2
data=$(cd "$(dirname "$0")/.." && pwd)/data
for tool in Xvfb openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || {
        echo "$tool is missing (Debian: xvfb openbox xdotool wmctrl): skipped"
        exit 77
    }
done

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
wm=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config"
openbox >"$work/openbox.log" 2>&1 &
wm=$!
sleep 1

failures=0
scenario=""
fail() {
    echo "FAILED [$scenario]: $*"
    failures=$((failures + 1))
}

# --- Windows ---------------------------------------------------------------

# The ids of the top-level windows whose title is exactly $1.
windows() {
    wmctrl -l | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) print id }'
}
# Waits up to $2 seconds (default 10) for a window titled $1; prints its id.
wait_window() {
    i=0
    while [ $i -lt $((${2:-10} * 10)) ]; do
        id=$(windows "$1" | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
# Waits up to $2 seconds for no window titled $1.
wait_gone() {
    i=0
    while [ $i -lt $((${2:-10} * 10)) ]; do
        [ -z "$(windows "$1")" ] && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
alive() { kill -0 "$app" 2>/dev/null; }
# Waits up to $1 seconds for the program to end; its status must be 0.
wait_exit() {
    i=0
    while [ $i -lt $(($1 * 20)) ] && alive; do
        sleep 0.05
        i=$((i + 1))
    done
    if alive; then
        fail "still running $1 s after it was told to close"
        kill "$app"
        wait "$app" 2>/dev/null
    else
        wait "$app"
        status=$?
        [ $status -eq 0 ] || fail "ended with status $status"
    fi
    app=""
}
# A left click at a point of window $1's client area.
click_at() {
    geometry=$(xdotool getwindowgeometry --shell "$1")
    x=$(echo "$geometry" | sed -n 's/^X=//p')
    y=$(echo "$geometry" | sed -n 's/^Y=//p')
    xdotool mousemove $((x + $2)) $((y + $3))
    sleep 0.2
    xdotool click 1
    sleep 0.3
}
# The key, sent to whatever window has the focus.
key() {
    xdotool key "$@"
    sleep 0.3
}

# --- The program and its files ---------------------------------------------

# A fresh program folder with camera "Cam" (hot pixel at 2,2) and photos.
setup() {
    scenario=$1
    dir="$work/$1"
    mkdir -p "$dir/Cameras" "$dir/photos"
    cp "$program" "$dir/vorantel"
    printf '*00002,00002,00001,00001,00002,00001,00003,00001\r\n' >"$dir/Cameras/Cam.cam"
    printf '[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\nodImageFile=%s/photos/\r\n' "$dir" \
        >"$dir/Vorantel.ini"
}
# Photo $1 (a JPEG) of $2 x $3 pixels of noise, which takes its time to
# decode and encode as a detailed photograph does.
photo() {
    ppm="$work/noise-$2x$3.ppm"
    [ -f "$ppm" ] || { printf 'P6\n%d %d\n255\n' "$2" "$3"; head -c $(($2 * $3 * 3)) /dev/urandom; } >"$ppm"
    "$cli" convert "$ppm" "$dir/photos/$1" >/dev/null || fail "cannot make $1"
}
# Picture $1 (a PPM) of 64 x 48 pixels of grey $2 with a bright pixel at
# each further x,y.
spots() {
    f="$dir/photos/$1"
    grey=$(printf '\\%03o' "$2")
    { printf 'P6\n64 48\n255\n'; head -c 9216 /dev/zero | tr '\0' "$grey"; } >"$f"
    shift 2
    for p in "$@"; do
        printf '\310\310\310' | dd of="$f" bs=1 seek=$((13 + (${p#*,} * 64 + ${p%,*}) * 3)) \
            conv=notrunc 2>/dev/null
    done
}
# The open dialog titled $1 answered with the named files of the photos
# folder.
pick() {
    title=$1
    shift
    wait_window "$title" 5 >/dev/null || fail "no dialog \"$title\""
    names=""
    for n in "$@"; do names="$names \"$n\""; done
    xdotool type --delay 5 "$names"
    key Return
}
# Cuts a photo off in the middle of its data.
cut_short() {
    size=$(wc -c <"$dir/photos/$1")
    head -c $((size / 2)) "$dir/photos/$1" >"$dir/cut" && mv "$dir/cut" "$dir/photos/$1"
}
start() {
    (cd "$dir" && exec ./vorantel "$@") >"$dir/out.log" 2>&1 &
    app=$!
    # The splash hands over at the space bar.
    wait_window "Rev Ivi Dav Or" 10 >/dev/null || fail "no splash"
    sleep 0.5
    key space
    main=$(wait_window "Vorantel - Cam" 3) || { fail "the space bar did not reach the splash"; main=$(wait_window "Vorantel - Cam" 10); }
}
stored() { ls "$dir/photos/Vorantel" 2>/dev/null | wc -l; }
# Edit > Fix.
fix() {
    key alt+e
    key f
}
# The Batch tab, the named photos added through the Add Images dialog.
batch() {
    click_at "$main" 100 44
    key ctrl+o
    wait_window "Open" 5 >/dev/null || fail "no Add Images dialog"
    names=""
    for n in "$@"; do names="$names \"$n\""; done
    xdotool type --delay 5 "$names"
    key Return
}

# --- Scenarios -------------------------------------------------------------

run() {
    began=$(date +%s)
    "$@"
    took=$(($(date +%s) - began))
    [ -n "$app" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; app=""; }
    [ $took -le 30 ] || fail "took $took s"
    echo "$scenario: $took s"
}

# Close, Cancel: the photo stays; close again asks again; No closes.
close_cancel_close() {
    setup close_cancel_close
    photo a.jpg 64 48
    start photos/a.jpg
    fix
    wmctrl -i -c "$main"
    wait_window "Save?" 5 >/dev/null || fail "closing a repaired photo asks nothing"
    key Escape
    wait_gone "Save?" 5 || fail "Cancel left the question open"
    sleep 0.5
    alive && [ -n "$(windows "Vorantel - Cam")" ] || fail "Cancel closed the window"
    wmctrl -i -c "$main"
    wait_window "Save?" 5 >/dev/null || fail "the second close asks nothing"
    key alt+n
    wait_exit 2
}

# File > Quit asks; the close button meanwhile changes nothing; the repair
# can still be stored.
quit_then_close() {
    setup quit_then_close
    photo a.jpg 64 48
    start photos/a.jpg
    fix
    key ctrl+q
    wait_window "Save?" 5 >/dev/null || fail "Quit asks nothing"
    wmctrl -i -c "$main"
    sleep 1.5
    alive || fail "the close button ended the program while Save? was open"
    [ "$(windows "Save?" | wc -l)" -eq 1 ] || fail "not one Save? question"
    key Escape
    wait_gone "Save?" 5 || fail "Cancel left the question open"
    sleep 0.3
    [ -n "$(windows "Vorantel - Cam")" ] || fail "the window is gone"
    key ctrl+s
    sleep 1
    [ -f "$dir/photos/Vorantel/a.jpg" ] || fail "the repair was not stored"
    key ctrl+q
    wait_exit 2
}

# Six photos, one of them cut short: no crash, one warning, five stored.
batch_with_a_damaged_photo() {
    setup batch_with_a_damaged_photo
    for i in 1 2 3 4 5 6; do photo "p$i.jpg" 300 200; done
    cut_short p4.jpg
    start
    batch p1.jpg p2.jpg p3.jpg p4.jpg p5.jpg p6.jpg
    fix
    wait_window "Warning" 20 >/dev/null || fail "the damaged photo was not told"
    alive || fail "the program ended"
    [ "$(stored)" -eq 5 ] || fail "$(stored) photos stored, not 5"
    [ -f "$dir/photos/Vorantel/p4.jpg" ] && fail "the damaged photo was stored"
    key Return
    wmctrl -i -c "$main"
    wait_exit 2
}

# A batch of $big photos of 6 megapixels under way: long enough that a
# quick machine is still at it when the scenario acts.
big=48
big_run() {
    photo p1.jpg 3000 2000
    for i in $(seq 2 $big); do
        cp "$dir/photos/p1.jpg" "$dir/photos/p$i.jpg"
    done
    start
    batch $(cd "$dir/photos" && ls)
    fix
    sleep 0.5
}

# Stop (Escape) during a run: it ends after the photo in hand, the window
# stays; closing then ends the program at once.
stop_during_a_run() {
    setup stop_during_a_run
    big_run
    key Escape
    sleep 3
    alive || fail "the program ended"
    n=$(stored)
    echo "stop_during_a_run: $n of $big photos stored"
    [ "$n" -ge 1 ] && [ "$n" -lt $big ] || fail "$n photos stored after Stop"
    sleep 1
    [ "$(stored)" -eq "$n" ] || fail "photos still stored after the run stopped"
    wmctrl -i -c "$main"
    wait_exit 2
}

# Closing the window during a run ends the program within moments.
close_during_a_run() {
    setup close_during_a_run
    big_run
    wmctrl -i -c "$main"
    wait_exit 2
    [ "$(stored)" -lt $big ] || fail "the run went on to the end"
}

# New Camera with three blackshots picked at once, then New Camera from
# Photos with six photos: each ends with its camera defined and chosen.
cameras_from_several_files() {
    setup cameras_from_several_files
    printf 'odSingleShot=%s/photos/\r\n' "$dir" >>"$dir/Vorantel.ini"
    spots d1.ppm 0 10,10 40,30
    spots d2.ppm 0 10,10 40,30 50,5
    spots d3.ppm 0 10,10 40,30
    for i in 1 2 3 4 5 6; do spots "p$i.ppm" $((20 * i)) 10,10 $((8 * i)),40; done
    start
    key alt+f
    key n
    wait_window "New Camera" 5 >/dev/null || fail "no New Camera dialog"
    xdotool type --delay 5 Trio
    key Return
    pick "Open the camera's blackshot" d1.ppm d2.ppm d3.ppm
    wait_window "Camera Defined" 10 >/dev/null || fail "no camera from three blackshots"
    key Return
    [ -n "$(windows "Vorantel - Trio")" ] || fail "Trio is not the camera chosen"
    key alt+f
    key p
    wait_window "New Camera" 5 >/dev/null || fail "no New Camera dialog for photos"
    xdotool type --delay 5 Learnt
    key Return
    pick "Open at least 5 photos of the camera" p1.ppm p2.ppm p3.ppm p4.ppm p5.ppm p6.ppm
    wait_window "Camera Defined" 10 >/dev/null || fail "no camera from six photos"
    key Return
    [ -n "$(windows "Vorantel - Learnt")" ] || fail "Learnt is not the camera chosen"
    [ -f "$dir/Cameras/Trio.cam" ] && [ -f "$dir/Cameras/Learnt.cam" ] || fail "camera files missing"
    wmctrl -i -c "$main"
    wait_exit 2
}

# A batch whose photos choose their cameras by Exif: the photo of no known
# camera is told at the end, the others are stored.
batch_by_exif() {
    setup batch_by_exif
    printf 'BatchByExif=1\r\nLastCamName=Cam\r\n' >>"$dir/Vorantel.ini"
    for c in alpha beta; do
        "$cli" define --name "$c" --library "$dir/Cameras" "$data/cameras/$c-shot.tif" >/dev/null ||
            fail "cannot define $c"
    done
    cp "$data/cameras/alpha-photo.tif" "$data/cameras/beta-photo.jpg" \
        "$data/cameras/anon-photo.tif" "$dir/photos/"
    start
    batch alpha-photo.tif beta-photo.jpg anon-photo.tif
    fix
    wait_window "Not Repaired" 10 >/dev/null || fail "the photo without a camera was not told"
    [ "$(stored)" -eq 2 ] || fail "$(stored) photos stored, not 2"
    [ -f "$dir/photos/Vorantel/anon-photo.tif" ] && fail "the photo without a camera was stored"
    key Return
    wmctrl -i -c "$main"
    wait_exit 2
}

run close_cancel_close
run quit_then_close
run batch_with_a_damaged_photo
run stop_during_a_run
run close_during_a_run
run cameras_from_several_files
run batch_by_exif

[ $failures -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "all scenarios passed"
