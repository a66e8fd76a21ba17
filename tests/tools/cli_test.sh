#!/bin/sh
# vorantel-cli from the outside: every command, its output, its files and its
# exit status.   sh cli_test.sh PATH_TO_VORANTEL_CLI
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description, then a command that must succeed
    what="$1"
    shift
    if "$@"; then :; else
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}
status() { # expected status, then the command
    want="$1"
    shift
    "$@" >"$work/out" 2>"$work/err"
    got=$?
    [ "$got" -eq "$want" ] || { echo "exit $got, expected $want: $*" >&2; cat "$work/err" >&2; return 1; }
}

# A 9 x 9 black blackshot with one hot pixel at (4, 4), and a photo of the
# same camera: flat grey 100 with that pixel white.
{ printf 'P6\n9 9\n255\n'; i=0; while [ $i -lt 81 ]; do
    if [ $i -eq 40 ]; then printf '\310\310\310'; else printf '\000\000\000'; fi; i=$((i + 1)); done; } >"$work/shot.ppm"
{ printf 'P6\n9 9\n255\n'; i=0; while [ $i -lt 81 ]; do
    if [ $i -eq 40 ]; then printf '\377\377\377'; else printf '\144\144\144'; fi; i=$((i + 1)); done; } >"$work/photo.ppm"

{ printf 'P6\n9 9\n255\n'; i=0; while [ $i -lt 81 ]; do printf '\005\005\005'; i=$((i + 1)); done; } >"$work/dark.ppm"

check "--help" status 0 "$cli" --help
check "--version" status 0 "$cli" --version
check "no command is wrong usage" status 2 "$cli"
check "unknown command" status 2 "$cli" frobnicate
check "convert wants two operands" status 2 "$cli" convert "$work/shot.ppm"
check "convert to an unknown type" status 2 "$cli" convert "$work/shot.ppm" "$work/x.gif"

check "convert to BMP" status 0 "$cli" convert "$work/shot.ppm" "$work/shot.bmp"
check "convert to TIFF" status 0 "$cli" convert "$work/photo.ppm" "$work/photo.tif"
check "convert to JPEG" status 0 "$cli" convert "$work/photo.ppm" "$work/photo.jpg"
check "JPEG starts with SOI" sh -c "head -c 2 '$work/photo.jpg' | od -An -tx1 | grep -q 'ff d8'"
check "TIFF round trip" status 0 "$cli" convert "$work/photo.tif" "$work/back.ppm"
check "TIFF pixels survive" cmp -s "$work/photo.ppm" "$work/back.ppm"
check "info" status 0 "$cli" info "$work/shot.bmp"
check "info names the size" grep -q "9 x 9" "$work/out"
check "a missing file fails" status 1 "$cli" convert "$work/none.png" "$work/x.bmp"
check "with the reader's message" grep -q "none.png" "$work/err"

lib="$work/lib"
check "define" status 0 "$cli" define --name Nine --library "$lib" "$work/shot.bmp"
check "says the camera is defined" grep -q 'Camera "Nine" is defined.' "$work/out"
check "camera file of four lines" sh -c "[ \$(wc -l < '$lib/Nine.cam') -eq 4 ]"
check "marked line last" sh -c "tail -c 50 '$lib/Nine.cam' | grep -q '^\*00004,00004'"
check "define again asks to replace" status 1 "$cli" define --name nine --library "$lib" "$work/shot.bmp"
check "with the question" grep -q "There is already a camera named nine" "$work/err"
check "define --replace" status 0 "$cli" define --name nine --replace --library "$lib" "$work/shot.bmp"
check "replaces the file standing for the camera" sh -c "[ ! -e '$lib/nine.cam' ] && [ -e '$lib/Nine.cam' ]"
check "a bad threshold is wrong usage" status 2 "$cli" define --name X --threshold 70 --library "$lib" "$work/shot.bmp"
check "a name with a dot is wrong usage" status 2 "$cli" define --name a.b --library "$lib" "$work/shot.bmp"
check "a black blackshot has no hot pixels" status 1 "$cli" define --name Dark --library "$lib" "$work/dark.ppm"
check "says so" grep -q "Your blackshot has no hot/dead pixels!" "$work/err"
check "cameras" status 0 "$cli" cameras --library "$lib"
check "lists the camera once" sh -c "[ \"\$(cat '$work/out')\" = Nine ]"

cp "$work/photo.ppm" "$work/p.ppm"
check "fix" status 0 "$cli" fix --camera Nine --library "$lib" "$work/p.ppm"
check "prints the stored path" grep -q "$work/Vorantel/p.jpg" "$work/out"
check "stored as JPEG beside the photo" test -s "$work/Vorantel/p.jpg"
check "fix with a camera file" status 0 "$cli" fix --camera "$lib/Nine.cam" "$work/photo.tif"
check "stored as TIFF" test -s "$work/Vorantel/photo.tif"
check "repaired pixel is grey" sh -c "'$cli' convert '$work/Vorantel/photo.tif' '$work/fixed.ppm' && tail -c 243 '$work/fixed.ppm' | od -An -tu1 -j120 -N3 | grep -q '100 *100 *100'"
check "a missing photo fails the run" status 1 "$cli" fix --camera Nine --library "$lib" "$work/gone.jpg"
check "an unknown camera fails" status 1 "$cli" fix --camera Nikon --library "$lib" "$work/p.ppm"
check "naming the camera file" grep -q "Unable to open or read file $lib/Nikon.cam" "$work/err"

total=$(grep -c '^check ' "$0")
echo "$((total - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
