#!/bin/sh
# Makes the camera JPEGs that the tests repair in their compressed form:
# crops of two digital-camera photographs from libtiff's test images (see
# LICENSE), with hot pixels painted in before they are encoded, as a sensor
# would have them, and encoded by libjpeg-turbo's cjpeg in the layouts
# cameras write. Needs ImageMagick, /usr/bin/python3 with Pillow and cjpeg
# (libjpeg-turbo-progs). dscf0013.tif lacks the YCbCr reference values that
# ImageMagick needs, so the program's own reader decodes it (the crop only
# has to be a real photograph). The files are committed; the tests do not
# run this.
#
#   sh make_fixtures.sh PATH_TO_LIBTIFFPIC PATH_TO_VORANTEL_CLI
set -e
pics="$1"
cli="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$cli" convert "$pics/dscf0013.tif" "$work/dscf0013.ppm"
convert "$work/dscf0013.ppm" -crop 301x227+150+120 +repage "$work/a.ppm"
convert -quiet "$pics/pc260001.tif" -crop 256x192+200+150 +repage "$work/b.ppm"
/usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image
work = sys.argv[1]
hot = {
    "a": [(10, 10, "w"), (15, 16, "w"), (100, 50, "w"), (101, 50, "w"), (200, 120, "r"),
          (0, 0, "w"), (300, 226, "w"), (150, 8, "g"), (47, 200, "w"), (256, 31, "b"),
          (63, 64, "w"), (120, 180, "w"), (121, 181, "w"), (7, 120, "r"), (288, 100, "w")],
    "b": [(5, 5, "w"), (64, 64, "w"), (127, 100, "r"), (200, 150, "w"), (255, 191, "w"),
          (33, 170, "g"), (90, 17, "w"), (91, 17, "w"), (180, 40, "b")],
}
colours = {"w": (255, 255, 255), "r": (255, 60, 40), "g": (50, 255, 70), "b": (70, 90, 255)}
for name, points in hot.items():
    img = Image.open("%s/%s.ppm" % (work, name)).convert("RGB")
    for x, y, c in points:
        img.putpixel((x, y), colours[c])
    img.save("%s/%s-hot.ppm" % (work, name))
    with open("%s.hot" % name, "w") as f:
        for x, y, _ in points:
            f.write("%d %d\n" % (x, y))
PY
cjpeg -quality 92 -sample 2x2 "$work/a-hot.ppm" >baseline420.jpg
cjpeg -quality 90 -sample 2x1 "$work/a-hot.ppm" >baseline422.jpg
cjpeg -quality 95 -sample 1x1 "$work/a-hot.ppm" >baseline444.jpg
cjpeg -quality 88 -sample 2x2 -progressive "$work/a-hot.ppm" >progressive420.jpg
cjpeg -quality 85 -sample 2x2 -restart 3B "$work/b-hot.ppm" >restart420.jpg
cjpeg -quality 90 -grayscale "$work/a-hot.ppm" >grey.jpg
cjpeg -quality 93 -sample 2x2 -optimize "$work/b-hot.ppm" >optimized420.jpg
