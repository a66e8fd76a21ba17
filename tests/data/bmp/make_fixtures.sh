#!/bin/sh
# Regenerates the BMP test fixtures of this folder with independent tools
# (ImageMagick 6 and netpbm). Not needed to run the tests: the fixtures and
# the expected pixels (*.ppm, dumped by the same tools) are committed.
#
# Every fixture NAME.bmp (or .dib/.rle) has NAME.ppm beside it: the pixels as
# the tool that wrote or read it sees them.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Source pictures: 13 x 7 (odd width, so rows need padding) and 5 x 3.
python3 - "$tmp" <<'PY'
import sys
d = sys.argv[1]
def ppm(name, w, h, fn):
    with open(f"{d}/{name}", "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        for y in range(h):
            for x in range(w):
                f.write(bytes(fn(x, y)))
# Many colours.
ppm("rgb.ppm", 13, 7, lambda x, y: ((x * 19 + y * 7) % 256, (y * 37 + 5) % 256, (x * y * 11 + 3) % 256))
# Two colours, neither black nor white.
ppm("two.ppm", 13, 7, lambda x, y: (200, 30, 60) if (x + 2 * y) % 3 == 0 else (10, 90, 250))
# Eleven colours.
cols = [(i * 23, 255 - i * 20, (i * 77) % 256) for i in range(11)]
ppm("eleven.ppm", 13, 7, lambda x, y: cols[(x + 3 * y) % 11])
# Few colours in long runs, for run-length compression.
runs = [(0, 0, 0), (255, 0, 0), (0, 128, 255), (250, 250, 10), (30, 200, 90)]
ppm("runs.ppm", 13, 7, lambda x, y: runs[0 if x < 4 else (y % 4) + 1 if x < 11 else (x + y) % 5])
# Channel values that 5 and 6 bits hold exactly (bits repeated).
def rep5(v): return (v << 3) | (v >> 2)
def rep6(v): return (v << 2) | (v >> 4)
ppm("rgb565.ppm", 13, 7, lambda x, y: (rep5((x * 3 + y) % 32), rep6((x * 5 + y * 9) % 64), rep5((y * 4 + x) % 32)))
ppm("rgb555.ppm", 13, 7, lambda x, y: (rep5((x * 3 + y) % 32), rep5((x * 5 + y * 9) % 32), rep5((y * 4 + x) % 32)))
PY

# netpbm: Windows (40-byte header) and OS/2 (12-byte header) files.
ppmtobmp -windows -bpp=1 "$tmp/two.ppm" > pal1.bmp
ppmtobmp -windows -bpp=4 "$tmp/eleven.ppm" > pal4.bmp
ppmtobmp -windows -bpp=8 "$tmp/rgb.ppm" > pal8.bmp
ppmtobmp -windows -bpp=24 "$tmp/rgb.ppm" > rgb24.bmp
ppmtobmp -os2 -bpp=4 "$tmp/eleven.ppm" > os2_pal4.bmp
ppmtobmp -os2 -bpp=24 "$tmp/rgb.ppm" > os2_rgb24.bmp

# ImageMagick: OS/2 8 bits, run-length 8 bits (40 and 124-byte headers),
# 16 bits as 565, 555 and 4444 bit fields, 32 bits as BI_RGB and as bit
# fields, V5 headers.
convert "$tmp/rgb.ppm" -type Palette BMP2:os2_pal8.bmp
convert "$tmp/runs.ppm" -type Palette -compress RLE BMP3:rle8.rle
convert "$tmp/rgb.ppm" -type Palette BMP:rle8_v5.bmp
convert "$tmp/rgb565.ppm" -define bmp:subtype=RGB565 BMP:rgb565.bmp
convert "$tmp/rgb555.ppm" -define bmp:subtype=RGB555 BMP:rgb555.bmp
convert "$tmp/rgb.ppm" -alpha set -channel A -evaluate set 60% +channel -define bmp:subtype=ARGB4444 BMP:argb4444.bmp
convert "$tmp/rgb.ppm" -alpha set -channel A -evaluate set 100% +channel -type TrueColorAlpha BMP:rgba32.bmp
convert "$tmp/rgb.ppm" -alpha set -channel A -evaluate set 50% +channel -define bmp3:alpha=true BMP3:rgb32.dib
convert "$tmp/rgb.ppm" -type TrueColor BMP:rgb24_v5.bmp
convert "$tmp/eleven.ppm" -type Palette BMP:pal4_v5.bmp

# Files made from the documented encodings and from the files above.
python3 - <<'PY'
import struct
def info(w, h, bits, comp, size, used):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, comp, size, 0, 0, used, 0)
def bmp(header, extra, data):
    off = 14 + len(header) + len(extra)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + header + extra + data
def quad(palette):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
def pixels(name):
    d = open(name, "rb").read()
    return d, struct.unpack_from("<I", d, 10)[0]

# The run-length examples of the BMP documentation, 32 x 4 pixels.
pal16 = [(i * 17, 255 - i * 17, (i * 50) % 256) for i in range(16)]
rle4 = bytes.fromhex("03 04 05 06 00 06 45 56 67 00 04 78 00 02 05 01 04 78 00 00 09 1E 00 01")
open("rle4.rle", "wb").write(bmp(info(32, 4, 4, 2, len(rle4), 16), quad(pal16), rle4))
pal256 = [(i, (i * 7) % 256, 255 - i) for i in range(256)]
rle8 = bytes.fromhex("03 04 05 06 00 03 45 56 67 00 02 78 00 02 05 01 02 78 00 00 09 1E 00 01")
open("rle8_doc.rle", "wb").write(bmp(info(32, 4, 8, 1, len(rle8), 256), quad(pal256), rle8))

# Run-length 4 of the pixels of pal4.bmp (13 x 7), written by a plain
# encoder that mixes encoded runs of alternating indexes with absolute runs
# of odd and even length, so that word padding occurs.
src, off = pixels("pal4.bmp")
stride4 = (13 * 4 + 31) // 32 * 4
out = bytearray()
for r in range(7):
    row = []
    for x in range(13):
        byte = src[off + r * stride4 + x // 2]
        row.append(byte >> 4 if x % 2 == 0 else byte & 15)
    x = 0
    while x < 13:
        n = 1
        while x + n < 13 and row[x + n] == row[x + n % 2]:
            n += 1
        if n >= 4 or x + n == 13:
            second = row[x + 1] if n > 1 else 0
            out += bytes((n, row[x] << 4 | second))
            x += n
            continue
        n = min(3 + (r + x) % 4, 13 - x)  # absolute run of 3 to 6 pixels
        if n < 3:
            out += bytes((n, row[x] << 4 | (row[x + 1] if n > 1 else 0)))
        else:
            nib = row[x:x + n] + [0] * (n % 2)
            data = bytes(nib[i] << 4 | nib[i + 1] for i in range(0, len(nib), 2))
            out += bytes((0, n)) + data + b"\0" * (len(data) % 2)
        x += n
    out += bytes((0, 0)) if r < 6 else bytes((0, 1))
open("rle4_full.rle", "wb").write(bmp(info(13, 7, 4, 2, len(out), 16), src[54:off], bytes(out)))

# Top-down copy of rgb24.bmp: rows reversed, height negated.
src, off = pixels("rgb24.bmp")
stride = (13 * 24 + 31) // 32 * 4
rows = [src[off + i * stride: off + (i + 1) * stride] for i in range(7)]
out = bytearray(src[:off] + b"".join(reversed(rows)))
struct.pack_into("<i", out, 22, -7)
open("topdown24.bmp", "wb").write(bytes(out))

# 16-bit BI_RGB (5-5-5 without masks) with the pixels of rgb555.bmp.
src, off = pixels("rgb555.bmp")
data = src[off:off + 28 * 7]
open("rgb555_rgb.bmp", "wb").write(bmp(info(13, 7, 16, 0, len(data), 0), b"", data))

# 32-bit bit fields in red, green, blue, unused byte order, masks after a
# 40-byte header.
src, off = pixels("rgb24.bmp")
data = bytearray()
for y in range(7):
    for x in range(13):
        b, g, r = src[off + y * stride + 3 * x: off + y * stride + 3 * x + 3]
        data += bytes((r, g, b, 0x5A))
masks = struct.pack("<III", 0x000000FF, 0x0000FF00, 0x00FF0000)
open("rgbx32.bmp", "wb").write(bmp(info(13, 7, 32, 3, len(data), 0), masks, bytes(data)))

# Colour tables shorter than 2^bits: pal8.bmp cut to the colours it uses
# (declared count), os2_pal4.bmp cut to 11 entries (pixel offset only).
src, off = pixels("pal8.bmp")
data = src[off:]
used = max(data[y * 16 + x] for y in range(7) for x in range(13)) + 1
palette = src[54:54 + 4 * used]
open("pal8_short.bmp", "wb").write(bmp(info(13, 7, 8, 0, len(data), used), palette, data))
src, off = pixels("os2_pal4.bmp")
core = src[14:26]
open("os2_pal4_short.bmp", "wb").write(bmp(core, src[26:26 + 3 * 11], src[off:]))
PY

# Expected pixels as ImageMagick reads each file; netpbm must agree where it
# reads the file too.
# The documentation's run-length examples skip pixels, which ImageMagick 6
# refuses: their expected indexes are those the documentation gives (see
# the tests).
# ImageMagick 6 widens 4-bit channels to 16 * v, so that 15 is not white;
# netpbm's 17 * v is the expected value of argb4444.bmp.
for f in *.bmp *.dib *.rle; do
    base=${f%.*}
    case $f in rle4.rle | rle8_doc.rle) continue ;; esac
    if [ "$f" = argb4444.bmp ]; then
        bmptopnm "$f" 2>/dev/null | ppmtoppm > "$base.ppm"
        continue
    fi
    convert "$f" -alpha off -depth 8 "PPM:$base.ppm"
    if bmptopnm "$f" > "$tmp/n.pnm" 2>/dev/null; then
        # netpbm truncates where ImageMagick rounds when it widens 5 and
        # 6-bit channels (they differ by one), and it ignores the masks
        # after a 40-byte header (rgbx32.bmp).
        ppmtoppm < "$tmp/n.pnm" | cmp -s - "$base.ppm" || echo "netpbm differs on $f" >&2
    fi
done
