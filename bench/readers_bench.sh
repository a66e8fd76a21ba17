#!/bin/sh
# Times loading a 6000 x 4000 picture in the Targa, PCX, SGI, GIF and
# Photoshop formats with `vorantel-cli info` (the whole process: read, decode
# into the bitmap) next to ImageMagick's `convert FILE ppm:/dev/null` on the
# same file. Each format in its most common 24-bit variant, and run-length
# encoded where the format has it; GIF with 256 colours.
#
#   sh bench/readers_bench.sh [BUILD_DIR] [RUNS]
#
# Needs hyperfine, ImageMagick (/usr/bin/convert) and Pillow for
# /usr/bin/python3. Prints wall and processor (user + system) times, means
# of RUNS runs after one warm-up, and our time as a share of ImageMagick's.
set -e
build="${1:-build}"
runs="${2:-5}"
cli="$build/vorantel-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A photograph-like picture: smooth shading in each channel, a hard edge
# and fine noise, so that run-length coders find as little to pack as in a
# real photograph.
/usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image, ImageChops, ImageFilter
d = sys.argv[1]
w, h = 6000, 4000
ramp = Image.linear_gradient("L")
red = ramp.rotate(90).resize((w, h))
green = ramp.resize((w, h))
blue = Image.effect_noise((w // 16, h // 16), 60).filter(ImageFilter.GaussianBlur(3)).resize((w, h))
photo = Image.merge("RGB", (red, green, blue))
edge = Image.new("RGB", (w // 3, h), (40, 90, 30))
photo.paste(edge, (w // 2, 0))
noise = Image.effect_noise((w, h), 6).convert("RGB")
photo = ImageChops.add(photo, noise, 1.0, -128)
photo.save(f"{d}/photo.tga")
photo.save(f"{d}/photo_rle.tga", compression="tga_rle")
photo.save(f"{d}/photo.pcx")
photo.save(f"{d}/photo.sgi")
photo.save(f"{d}/photo.ppm")
photo.quantize(256).save(f"{d}/photo.gif")
PY
/usr/bin/convert "$work/photo.ppm" SGI:"$work/photo_rle.sgi"
/usr/bin/convert "$work/photo.ppm" -compress none "$work/photo.psd"
/usr/bin/convert "$work/photo.ppm" -compress RLE "$work/photo_rle.psd"
rm "$work/photo.ppm"

printf '%-15s %8s | %17s | %17s | %11s\n' "file" "MB" "ours wall / cpu" "ImageMagick" "ours / IM"
for name in photo.tga photo_rle.tga photo.pcx photo.sgi photo_rle.sgi photo.gif photo.psd photo_rle.psd; do
    f="$work/$name"
    hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/t.json" \
        "$cli info $f" "/usr/bin/convert $f ppm:/dev/null" >/dev/null 2>&1
    /usr/bin/python3 - "$work/t.json" "$name" "$(stat -c %s "$f")" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
def t(i):
    return r[i]["mean"], r[i]["user"] + r[i]["system"]
(ow, oc), (iw, ic) = t(0), t(1)
print("%-15s %8.1f | %7.3f / %7.3f | %7.3f / %7.3f | %4.2f / %4.2f" %
      (sys.argv[2], int(sys.argv[3]) / 1e6, ow, oc, iw, ic, ow / iw, oc / ic))
PY
done
