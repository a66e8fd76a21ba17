#!/bin/sh
# vorantel-cli from the outside: every command, its output, its files and its
# exit status.   sh cli_test.sh PATH_TO_VORANTEL_CLI TEST_DATA_DIR
# Metadata is read back with exiftool, an independent reader.
cli="$1"
data="$2"
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
check "a name that leaves the library is wrong usage" status 2 "$cli" define --name ../Evil --library "$lib" "$work/shot.bmp"
check "nothing is written outside the library" test ! -e "$work/Evil.cam"
check "a name that hides its file is wrong usage" status 2 "$cli" define --name .hidden --library "$lib" "$work/shot.bmp"
check "a name with a line end is wrong usage" status 2 "$cli" define --name "$(printf 'a\nb')" --library "$lib" "$work/shot.bmp"
check "says why" grep -q 'A camera name may not hold' "$work/err"
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

# Several photos at once: the same files whatever the number of workers, a
# failure reported and passed over, the exit status telling of it.
mkdir -p "$work/j1" "$work/j4"
for d in j1 j4; do
    for i in 1 2 3 4 5; do cp "$work/photo.ppm" "$work/$d/p$i.ppm"; done
    echo "not a picture" >"$work/$d/p2.ppm"
done
check "fix -j 1 with a bad photo fails" status 1 "$cli" fix --camera Nine --library "$lib" -j 1 \
    "$work/j1/p1.ppm" "$work/j1/p2.ppm" "$work/j1/p3.ppm" "$work/j1/p4.ppm" "$work/j1/p5.ppm"
check "names the bad photo" grep -q "Unable to read file $work/j1/p2.ppm" "$work/err"
check "stores the others in list order" sh -c "printf '%s\n' '$work/j1/Vorantel/p1.jpg' '$work/j1/Vorantel/p3.jpg' '$work/j1/Vorantel/p4.jpg' '$work/j1/Vorantel/p5.jpg' | cmp -s - '$work/out'"
check "fix --jobs 4" status 1 "$cli" fix --camera Nine --library "$lib" --jobs 4 \
    "$work/j4/p1.ppm" "$work/j4/p2.ppm" "$work/j4/p3.ppm" "$work/j4/p4.ppm" "$work/j4/p5.ppm"
check "the same files with 1 and 4 workers" sh -c "cd '$work' && for i in 1 3 4 5; do cmp -s j1/Vorantel/p\$i.jpg j4/Vorantel/p\$i.jpg || exit 1; done; [ ! -e j4/Vorantel/p2.jpg ]"
check "a bad --jobs is wrong usage" status 2 "$cli" fix --camera Nine --library "$lib" -j 0 "$work/p.ppm"
cp "$work/photo.ppm" "$work/twin.ppm"
"$cli" convert "$work/photo.ppm" "$work/twin.bmp"
check "two photos, one stored name" status 0 "$cli" fix --camera Nine --library "$lib" "$work/twin.ppm" "$work/twin.bmp" "$work/twin.ppm"
check "warns that the second replaces the first" grep -q "warning: $work/twin.ppm is stored as $work/Vorantel/twin.jpg, replacing the copy of $work/twin.ppm" "$work/err"
mkdir -p "$work/loop" && ln -s . "$work/loop/Vorantel" && cp "$work/photo.ppm" "$work/loop/x.jpg.ppm"
"$cli" convert "$work/photo.ppm" "$work/loop/x.jpg"
cp "$work/loop/x.jpg" "$work/loop/x.orig"
check "never stores a photo over itself" status 1 "$cli" fix --camera Nine --library "$lib" "$work/loop/x.jpg"
check "the photo is untouched" cmp -s "$work/loop/x.jpg" "$work/loop/x.orig"
check "no temporary file is left" sh -c "[ \$(ls -A '$work/loop' | wc -l) -eq 4 ]"

# --lossless: a JPEG is repaired through its coefficients; a photo that is
# no JPEG is encoded in full, with a note saying why.
mkdir -p "$work/ll"
"$cli" convert "$work/photo.ppm" "$work/ll/p.jpg"
cp "$work/photo.ppm" "$work/ll/q.ppm"
check "fix --lossless" status 0 "$cli" fix --lossless --camera Nine --library "$lib" "$work/ll/p.jpg" "$work/ll/q.ppm"
check "prints both stored paths" sh -c "printf '%s\n' '$work/ll/Vorantel/p.jpg' '$work/ll/Vorantel/q.jpg' | cmp -s - '$work/out'"
check "notes the full encode and why" grep -q "note: $work/ll/q.ppm: Full encode at quality 90: The photograph is not a JPEG file." "$work/err"
check "the JPEG's repaired pixel is grey" sh -c "'$cli' convert '$work/ll/Vorantel/p.jpg' '$work/ll/fixed.ppm' && tail -c 243 '$work/ll/fixed.ppm' | od -An -tu1 -j120 -N3 | awk '{ for (i = 1; i <= 3; i++) if (\$i < 95 || \$i > 105) exit 1 }'"

# A write beyond the process's file-size limit fails like any other: a
# message, no file, no temporary file (the limit's signal would have ended
# the program half-way).
mkdir -p "$work/limit"
{ printf 'P6\n100 100\n255\n'; head -c 30000 /dev/zero; } >"$work/limit/big.ppm"
check "a file-size limit fails the write" status 1 sh -c "ulimit -f 20; exec '$cli' convert '$work/limit/big.ppm' '$work/limit/out.bmp'"
check "says why" grep -q "File too large" "$work/err"
check "and leaves nothing behind" sh -c "[ \"\$(ls -A '$work/limit')\" = big.ppm ]"
mkdir -p "$work/limit2"
"$cli" convert "$work/limit/big.ppm" "$work/limit2/big.bmp"
check "fix under the limit" status 1 sh -c "ulimit -f 20; exec '$cli' fix --camera Nine --library '$lib' '$work/limit2/big.bmp'"
check "leaves no folder behind" sh -c "[ \"\$(ls -A '$work/limit2')\" = big.bmp ]"

# Cameras from several blackshots, from a noisy blackshot's own level and
# from photos; photos repaired each with the camera its Exif names.
grey9() { # file, grey level, hot pixel index, its level
    { printf 'P6\n9 9\n255\n'; i=0; while [ $i -lt 81 ]; do
        v=$2; [ $i -eq "$3" ] && v=$4
        o=$(printf '%03o' "$v"); printf "\\$o\\$o\\$o"; i=$((i + 1)); done; } >"$1"
}
grey9 "$work/shot2.ppm" 0 40 180
check "define from three blackshots" status 0 "$cli" define --name Three --library "$lib" "$work/shot.bmp" "$work/shot2.ppm" "$work/dark.ppm"
check "tells the vote" grep -q "^From 3 blackshots: 1 pixel was hot in at least 2 of them.$" "$work/out"
check "the lines of the one hot pixel" cmp -s "$lib/Nine.cam" "$lib/Three.cam"
check "--min-votes 3 leaves it out" status 1 "$cli" define --name Three --replace --min-votes 3 --library "$lib" "$work/shot.bmp" "$work/shot2.ppm" "$work/dark.ppm"
check "more votes than blackshots is wrong usage" status 2 "$cli" define --name X --min-votes 3 --library "$lib" "$work/shot.bmp" "$work/shot2.ppm"
{ printf 'P6\n9 8\n255\n'; head -c 216 /dev/zero; } >"$work/short.ppm"
check "blackshots of two sizes are refused" status 1 "$cli" define --name X --library "$lib" "$work/shot.bmp" "$work/short.ppm"
check "says why" grep -q "must all be of one size" "$work/err"
# 40 x 40 pixels of noise from 2 to 17 with one hot pixel of 250.
{ printf 'P6\n40 40\n255\n'; i=0; while [ $i -lt 1600 ]; do
    v=$(( (i * 7 + i / 40 * 13) % 16 + 2 )); [ $i -eq 820 ] && v=250
    o=$(printf '%03o' "$v"); printf "\\$o\\$o\\$o"; i=$((i + 1)); done; } >"$work/noisy.ppm"
check "a noisy blackshot fails" status 1 "$cli" define --name Noisy --library "$lib" "$work/noisy.ppm"
check "and says why" grep -q "Noisy Blackshot: The dark pixels of your blackshot (median" "$work/err"
check "not that no hot pixels were found" sh -c "! grep -q 'No hot pixels were found' '$work/err'"
check "--auto-level defines it" status 0 "$cli" define --name Noisy --auto-level --library "$lib" "$work/noisy.ppm"
check "with the level it measured" grep -q "^Black level [0-9]*, measured from the blackshot (median" "$work/out"
check "one hot pixel" sh -c "[ \$(grep -c '^\*' '$lib/Noisy.cam') -eq 1 ] && grep -q '^\*00020,00020' '$lib/Noisy.cam'"
for i in 1 2 3 4 5; do grey9 "$work/ph$i.ppm" $((i * 20)) 40 $((i * 20 + 120)); done
check "--from-photos wants five photos" status 2 "$cli" define --name Learnt --from-photos --library "$lib" "$work/ph1.ppm" "$work/ph2.ppm"
check "define --from-photos" status 0 "$cli" define --name Learnt --from-photos --library "$lib" "$work/ph1.ppm" "$work/ph2.ppm" "$work/ph3.ppm" "$work/ph4.ppm" "$work/ph5.ppm"
check "tells the vote" grep -q "^From 5 photos: 1 pixel stood out in at least 3 of them.$" "$work/out"
check "learns the blackshot's lines" cmp -s "$lib/Nine.cam" "$lib/Learnt.cam"
check "a turned photo is refused" status 1 "$cli" define --name X --from-photos --library "$lib" "$work/ph1.ppm" "$work/ph2.ppm" "$work/ph3.ppm" "$work/ph4.ppm" "$work/short.ppm"
cams="$work/cams"
check "define a camera from a blackshot with Exif" status 0 "$cli" define --name Alpha --library "$cams" "$data/cameras/alpha-shot.tif"
check "tells which photos will use it" grep -q "^Batch repair will choose this camera for photos of the Vorantel Alpha.$" "$work/out"
check "and another" status 0 "$cli" define --name Beta --library "$cams" "$data/cameras/beta-shot.tif"
check "kept beside the cameras" grep -q "^Model=Beta" "$cams/Vorantel.ini"
check "the library lists the cameras only" sh -c "[ \"\$('$cli' cameras --library '$cams' | tr '\n' ' ')\" = 'Alpha Beta ' ]"
mkdir -p "$work/auto"
cp "$data/cameras/alpha-photo.tif" "$data/cameras/beta-photo.jpg" "$data/cameras/anon-photo.tif" "$work/auto/"
check "fix --camera auto tells of the photo it cannot match" status 1 "$cli" fix --camera auto --library "$cams" "$work/auto/alpha-photo.tif" "$work/auto/beta-photo.jpg" "$work/auto/anon-photo.tif"
check "each photo with its camera" sh -c "printf '%s\t%s\n' '$work/auto/Vorantel/alpha-photo.tif' Alpha '$work/auto/Vorantel/beta-photo.jpg' Beta | cmp -s - '$work/out'"
check "the photo without Exif is told" grep -q "anon-photo.tif: not repaired: The photo does not say which camera took it" "$work/err"
check "and not stored" test ! -e "$work/auto/Vorantel/anon-photo.tif"
check "Alpha's hot pixel repaired" sh -c "'$cli' convert '$work/auto/Vorantel/alpha-photo.tif' '$work/a.ppm' && tail -c 243 '$work/a.ppm' | od -An -tu1 -j120 -N3 | grep -q '100 *100 *100'"
check "Beta's hot pixel repaired" sh -c "'$cli' convert '$work/auto/Vorantel/beta-photo.jpg' '$work/b.ppm' && tail -c 243 '$work/b.ppm' | od -An -tu1 -j168 -N3 | awk '{ exit !(\$1 < 130 && \$2 < 130 && \$3 < 130) }'"

# Metadata: a stored JPEG keeps the source's Exif, XMP, ICC, IPTC and comment
# segments in their order; other sources give their ICC profile.
if command -v exiftool >/dev/null; then
    m="$work/meta"
    mkdir -p "$m"
    cp "$data/metadata/exif.jpg" "$data/metadata/profile.png" "$data/metadata/profile.tif" "$m/"
    check "fix a photo with metadata" status 0 "$cli" fix --camera Nine --library "$lib" "$m/exif.jpg" "$m/profile.png"
    check "orientation kept" sh -c "[ \"\$(exiftool -s -s -s -n -Orientation '$m/Vorantel/exif.jpg')\" = 6 ]"
    check "camera and date kept" sh -c "exiftool -s -s -s -Make -Model -DateTimeOriginal '$m/Vorantel/exif.jpg' | tr '\n' '|' | grep -q '^Vorantel|Test Camera|2026:11:30 10:20:30|\$'"
    check "GPS kept" sh -c "exiftool -s -s -s -n -GPSLatitude '$m/Vorantel/exif.jpg' | grep -q '^48.1'"
    check "XMP, IPTC and comment kept" sh -c "exiftool -s -s -s -XMP-dc:Title -IPTC:Keywords -Comment '$m/Vorantel/exif.jpg' | tr '\n' '|' | grep -q '^Hot pixel test|blackshot|kept comment|\$'"
    exiftool -b -ICC_Profile "$m/exif.jpg" >"$m/in.icc"
    exiftool -b -ICC_Profile "$m/Vorantel/exif.jpg" >"$m/out.icc"
    check "a two-chunk ICC profile kept byte for byte" sh -c "[ \$(wc -c < '$m/in.icc') -gt 65519 ] && cmp -s '$m/in.icc' '$m/out.icc'"
    check "segments in their order" sh -c "[ \"\$(exiftool -v1 '$m/exif.jpg' | grep -E '^JPEG (APP[1-9]|APP1[0-5]|COM)' | sed 's/ (.*//')\" = \"\$(exiftool -v1 '$m/Vorantel/exif.jpg' | grep -E '^JPEG (APP[1-9]|APP1[0-5]|COM)' | sed 's/ (.*//')\" ]"
    check "pixels not turned" sh -c "[ \"\$(exiftool -s -s -s -ImageWidth -ImageHeight '$m/Vorantel/exif.jpg' | tr '\n' x)\" = 48x32x ]"
    exiftool -b -ICC_Profile "$m/profile.png" >"$m/png.icc"
    exiftool -b -ICC_Profile "$m/Vorantel/profile.jpg" >"$m/pngout.icc"
    check "a PNG's profile goes into the JPEG" sh -c "[ -s '$m/png.icc' ] && cmp -s '$m/png.icc' '$m/pngout.icc'"
    check "convert a TIFF with a profile to JPEG" status 0 "$cli" convert "$m/profile.tif" "$m/tif.jpg"
    exiftool -b -ICC_Profile "$m/tif.jpg" >"$m/tifout.icc"
    check "a TIFF's profile goes into the JPEG" cmp -s "$m/png.icc" "$m/tifout.icc"
    check "info lists the metadata" status 0 "$cli" info "$m/exif.jpg"
    check "info names every kind" grep -q "^metadata: Exif, XMP, ICC profile (70.* bytes), IPTC, comment$" "$work/out"
else
    echo "exiftool is missing: the metadata checks need it" >&2
    failures=$((failures + 1))
fi

total=$(grep -c '^ *check ' "$0")
echo "$((total - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
