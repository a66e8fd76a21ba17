#!/bin/sh
# Makes the photographs with metadata that the tests store again and read
# back with exiftool. Needs /usr/bin/python3 with Pillow, cjpeg and exiftool
# (libjpeg-turbo-progs, libimage-exiftool-perl). The files are committed; the
# tests do not run this.
set -e
cd "$(dirname "$0")"
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image

# A colour profile of about 70 kB, so that a JPEG must carry it in two APP2
# chunks: an ICC v2 header, a tag table with a description and one large
# private tag of well-defined bytes.
def profile():
    desc = b"desc" + b"\0" * 4 + struct.pack(">I", 20) + b"Vorantel test ICC\0\0\0" + b"\0" * 12 + b"\0" * 67
    big = b"zzzz" + b"\0" * 4 + bytes((i * 7 + i // 251) % 256 for i in range(70000))
    tags = [(b"desc", desc), (b"zvrt", big)]
    offset = 128 + 4 + 12 * len(tags)
    table, data = b"", b""
    for sig, body in tags:
        while (offset + len(data)) % 4:
            data += b"\0"
        table += sig + struct.pack(">II", offset + len(data), len(body))
        data += body
    size = offset + len(data)
    header = struct.pack(">I", size) + b"none" + bytes([2, 0x10, 0, 0]) + b"mntrRGB XYZ "
    header += struct.pack(">6H", 2026, 1, 1, 0, 0, 0) + b"acsp" + b"\0" * 4
    header += b"\0" * 4 + b"\0" * 4 + b"\0" * 4 + b"\0" * 8 + b"\0" * 4
    header += struct.pack(">3i", 63190, 65536, 54061) + b"\0" * 4 + b"\0" * 16 + b"\0" * 28
    assert len(header) == 128, len(header)
    return header + struct.pack(">I", len(tags)) + table + data

icc = profile()
open("profile.icc", "wb").write(icc)

w, h = 48, 32
img = Image.new("RGB", (w, h))
img.putdata([((x * 5) % 256, (y * 7) % 256, (x * y) % 256) for y in range(h) for x in range(w)])
img.putpixel((10, 10), (255, 255, 255)) # the hot pixel of the tests' camera
img.save("base.ppm")
img.save("profile.png", icc_profile=icc)
img.save("profile.tif", icc_profile=icc)
PY
cjpeg -quality 95 base.ppm > exif.jpg
exiftool -q -overwrite_original -n -Orientation=6 -Make=Vorantel -Model="Test Camera" \
    -DateTimeOriginal="2026:11:30 10:20:30" -GPSLatitude=48.1 -GPSLatitudeRef=N \
    -XMP-dc:Title="Hot pixel test" -IPTC:Keywords=blackshot -Comment="kept comment" \
    "-ICC_Profile<=profile.icc" exif.jpg
rm base.ppm profile.icc
