#!/bin/sh
# Makes the blackshots and photos with camera makes and models that the
# tests of the camera chosen by Exif read. Needs /usr/bin/python3 with
# Pillow and exiftool (libimage-exiftool-perl). The files are committed; the
# tests do not run this.
#   alpha-shot.tif  9 x 9 black, one hot pixel (200) at (4, 4); Vorantel Alpha
#   beta-shot.tif   9 x 9 black, one hot pixel (200) at (2, 6); Vorantel Beta
#   alpha-photo.tif 9 x 9 grey 100, white at (4, 4); Vorantel Alpha
#   beta-photo.jpg  9 x 9 grey 100, white at (2, 6); Vorantel Beta, serial B-7
#   anon-photo.tif  9 x 9 grey 100, white at (4, 4); no make or model
#   alpha-mm.tif    alpha-shot.tif big-endian, serial 0042, Orientation 8
set -e
cd "$(dirname "$0")"
/usr/bin/python3 - <<'PY'
from PIL import Image

def picture(name, grey, hot, value):
    img = Image.new("RGB", (9, 9), (grey, grey, grey))
    img.putpixel(hot, (value, value, value))
    if name.endswith(".jpg"):
        img.save(name, quality=95)
    else:
        img.save(name)

picture("alpha-shot.tif", 0, (4, 4), 200)
picture("beta-shot.tif", 0, (2, 6), 200)
picture("alpha-photo.tif", 100, (4, 4), 255)
picture("beta-photo.jpg", 100, (2, 6), 255)
picture("anon-photo.tif", 100, (4, 4), 255)
PY
exiftool -q -overwrite_original -Make=Vorantel -Model=Alpha alpha-shot.tif alpha-photo.tif
exiftool -q -overwrite_original -Make=Vorantel -Model=Beta beta-shot.tif
exiftool -q -overwrite_original -Make=Vorantel -Model=Beta -SerialNumber=B-7 beta-photo.jpg
# A big-endian TIFF whose Exif directory holds a serial number.
convert alpha-shot.tif -define tiff:endian=msb alpha-mm.tif
exiftool -q -overwrite_original -n -Make=Vorantel -Model=Alpha -SerialNumber=0042 \
    -Orientation=8 alpha-mm.tif
