#!/bin/sh
# Regenerates the reader fixtures of this folder (Targa, PCX, SGI, GIF and
# Photoshop files) with independent tools: netpbm, ImageMagick 6 (always
# /usr/bin/convert), Python 3 with Pillow (/usr/bin/python3) and giflib's
# gifbuild. Not needed to run the tests: the files and their expected pixels
# are committed.
#
# Every fixture DIR/NAME.EXT has DIR/NAME.ppm (or DIR/NAME.pam where alpha
# matters) beside it: the pixels as an independent reader sees the file.
# Files that a tool cannot write are put together byte by byte below from
# the published format descriptions; their expected pixels still come from
# the other readers.
set -eu
cd "$(dirname "$0")"
py=/usr/bin/python3
im=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p tga pcx sgi gif psd

# Source pictures, 13 x 7 (odd width) unless named otherwise.
$py - "$tmp" <<'PY'
import sys
from PIL import Image
d = sys.argv[1]
def make(name, w, h, mode, fn):
    im = Image.new(mode, (w, h))
    im.putdata([fn(x, y) for y in range(h) for x in range(w)])
    im.save(f"{d}/{name}")
make("rgb.ppm", 13, 7, "RGB", lambda x, y: ((x * 19 + y * 7) % 256, (y * 37 + 5) % 256, (x * y * 11 + 3) % 256))
make("rgba.png", 13, 7, "RGBA", lambda x, y: ((x * 19 + y * 7) % 256, (y * 37 + 5) % 256, (x * y * 11 + 3) % 256, (x * 20 + y * 3) % 256))
make("grey.pgm", 13, 7, "L", lambda x, y: (x * 17 + y * 29) % 256)
# Few colours in long runs (run-length coders have something to do).
runs = [(0, 0, 0), (255, 0, 0), (0, 128, 255), (250, 250, 10), (30, 200, 90)]
make("runs.ppm", 13, 7, "RGB", lambda x, y: runs[0 if x < 4 else (y % 4) + 1 if x < 11 else (x + y) % 5])
make("greyruns.pgm", 13, 7, "L", lambda x, y: 0 if x < 5 else 200 if x < 11 else (x * y * 9) % 256)
# Eleven and two colours.
cols = [(i * 23, 255 - i * 20, (i * 77) % 256) for i in range(11)]
make("eleven.ppm", 13, 7, "RGB", lambda x, y: cols[(x + 3 * y) % 11])
make("two.ppm", 13, 7, "RGB", lambda x, y: (200, 30, 60) if (x + 2 * y) % 3 == 0 else (10, 90, 250))
make("bw.pbm", 13, 7, "1", lambda x, y: 255 if (x * y + x) % 3 else 0)
make("one.ppm", 1, 1, "RGB", lambda x, y: (12, 200, 99))
# 200 colours: a palette of more than 16 entries, some of them unused.
make("many.ppm", 23, 9, "RGB", lambda x, y: ((x * 11) % 256, (y * 27) % 256, ((x + y) * 5) % 256))
# Noise of 256 colours: every LZW coder fills its table and starts over.
import random
random.seed(5)
noise = Image.new("RGB", (101, 83))
noise.putdata([(random.randrange(256), random.randrange(256), random.randrange(256)) for i in range(101 * 83)])
noise.quantize(256).convert("RGB").save(f"{d}/noise.ppm")
# 16-bit samples that are no multiples of 257.
with open(f"{d}/rgb16.ppm", "wb") as f:
    f.write(b"P6\n13 7\n65535\n")
    for y in range(7):
        for x in range(13):
            for v in ((x * 5003 + y * 911) % 65536, (y * 7919 + x * 13) % 65536, (x * y * 2749 + 31) % 65536):
                f.write(v.to_bytes(2, "big"))
PY

# Expected pixels: NAME.ppm from a netpbm converter, NAME.pam (red, green,
# blue, alpha) from Pillow.
expect() { # converter file
    "$1" "$2" | pamdepth 255 > "${2%.*}.ppm"
}
pam() { # file: Pillow's pixels with alpha
    $py - "$1" "${1%.*}.pam" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGBA")
with open(sys.argv[2], "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % im.size)
    f.write(im.tobytes())
PY
}

# ---------------------------------------------------------------------------
# Targa. ImageMagick 6.9.11 reads and writes the row order of Targa files
# upside down (it stores the top row first under a bottom-up descriptor), so
# Pillow writes the files and netpbm's tgatoppm (checked against Pillow)
# gives the pixels.
$py - "$tmp" <<'PY'
import sys
from PIL import Image
d = sys.argv[1]
rgb = Image.open(f"{d}/rgb.ppm")
rgb.save("tga/rgb24.tga")
rgb.save("tga/rgb24_topdown.tga", orientation=1)
Image.open(f"{d}/runs.ppm").save("tga/rgb24_rle.tga", compression="tga_rle")
Image.open(f"{d}/runs.ppm").save("tga/rgb24_rle_topdown.tga", compression="tga_rle", orientation=1)
Image.open(f"{d}/rgba.png").save("tga/rgba32.tga")
Image.open(f"{d}/rgba.png").save("tga/rgba32_rle.tga", compression="tga_rle")
Image.open(f"{d}/one.ppm").save("tga/one_pixel.tga")
Image.open(f"{d}/one.ppm").save("tga/one_pixel_rle.tga", compression="tga_rle")
Image.open(f"{d}/rgb.ppm").save("tga/image_id.tga", id_section=b"A picture with an ID field")
PY
pamtotga -cmap -norle "$tmp/eleven.ppm" > tga/cmap24.tga
pamtotga -cmap "$tmp/runs.ppm" > tga/cmap24_rle.vda
pamtotga -cmap16 -norle "$tmp/eleven.ppm" > tga/cmap16.tga
pamtotga -mono -norle "$tmp/grey.pgm" > tga/grey8.icb
pamtotga -mono "$tmp/greyruns.pgm" > tga/grey8_rle.win

# Put together byte by byte: 15 and 16-bit pixels, 32-bit colour maps, a map
# that starts at entry 3, and run-length packets that cross rows.
$py - "$tmp" <<'PY'
import struct, sys
from PIL import Image
d = sys.argv[1]
def header(idlen, cmtype, itype, first, length, entry, w, h, depth, desc):
    return struct.pack("<BBBHHBHHHHBB", idlen, cmtype, itype, first, length, entry, 0, 0, w, h, depth, desc)
def write(name, data):
    with open(name, "wb") as f:
        f.write(data)
def rows_bottom_up(w, h, px):
    return b"".join(px(x, y) for y in reversed(range(h)) for x in range(w))
w, h = 13, 7
def v555(x, y):
    return ((x * 3 + y) % 32) << 10 | ((x * 5 + y * 9) % 32) << 5 | (y * 4 + x) % 32
write("tga/rgb15.tga", header(0, 0, 2, 0, 0, 0, w, h, 15, 0) +
      rows_bottom_up(w, h, lambda x, y: struct.pack("<H", v555(x, y))))
# Bit 15 (the attribute bit) set on some pixels: it carries no colour.
write("tga/rgb16.vst", header(0, 0, 2, 0, 0, 0, w, h, 16, 0x21) +
      b"".join(struct.pack("<H", v555(x, y) | (x % 2) << 15) for y in range(h) for x in range(w)))
# Run-length 16-bit: a run of 6, raw packets of 4 and 3, repeated per row.
def rle16_row(y):
    out = bytearray([0x80 | 5]) + struct.pack("<H", v555(0, y))
    out += bytes([3]) + b"".join(struct.pack("<H", v555(x, y)) for x in range(6, 10))
    out += bytes([2]) + b"".join(struct.pack("<H", v555(x, y)) for x in range(10, 13))
    return bytes(out)
write("tga/rgb16_rle.tga", header(0, 0, 10, 0, 0, 0, w, h, 16, 0x20) + b"".join(rle16_row(y) for y in range(h)))
# Colour map of 32-bit entries (blue, green, red, alpha) starting at entry 3.
pal = [(i * 23, 255 - i * 20, (i * 77) % 256) for i in range(11)]
cmap = b"".join(bytes((b, g, r, 255)) for r, g, b in pal)
write("tga/cmap32_first3.tga", header(0, 1, 1, 3, len(pal), 32, w, h, 8, 0) +
      cmap + rows_bottom_up(w, h, lambda x, y: bytes([3 + (x + 3 * y) % 11])))
# Grey, run-length, packets crossing the ends of rows: the whole picture is
# one run of 20, raw packets of 50 and 21.
grey = [(x * 17 + y * 29) % 256 if 20 <= y * w + x < 70 else 77 for y in range(h) for x in range(w)]
data = bytes([0x80 | 19, 77]) + bytes([49]) + bytes(grey[20:70]) + bytes([0x80 | 20, 77])
write("tga/grey8_rle_cross.tga", header(0, 0, 11, 0, 0, 0, w, h, 8, 0x20) + data)
# 24-bit, run-length, a raw packet and a run that both reach into the next row.
rgb = Image.open(f"{d}/rgb.ppm")
px = [bytes(reversed(rgb.getpixel((x, y)))) for y in range(h) for x in range(w)]
data = bytearray()
i = 0
while i < w * h:
    if i % 30 == 10:
        n = min(20, w * h - i)
        data += bytes([0x80 | (n - 1)]) + px[i]
        px[i:i + n] = [px[i]] * n
    else:
        n = min(17, w * h - i)
        data += bytes([n - 1]) + b"".join(px[i:i + n])
    i += n
write("tga/rgb24_rle_cross.tga", header(0, 0, 10, 0, 0, 0, w, h, 24, 0x20) + data)
PY
for f in tga/*.tga tga/*.vda tga/*.vst tga/*.icb tga/*.win; do
    expect tgatoppm "$f"
done
pam tga/rgba32.tga
pam tga/rgba32_rle.tga

# ---------------------------------------------------------------------------
# PCX: netpbm's ppmtopcx, Pillow and ImageMagick write; pcxtoppm reads,
# except for 1-bit files, whose palette pcxtoppm takes from the header where
# Pillow (like the format's description) shows black and white, and for
# alpha and plain (not run-length) files, which ImageMagick reads.
ppmtopcx "$tmp/eleven.ppm" > pcx/planes4.pcx
ppmtopcx -planes=3 "$tmp/two.ppm" > pcx/planes3.pcx
ppmtopcx -packed "$tmp/eleven.ppm" > pcx/packed4.pcx
$py -c "
from PIL import Image
Image.open('$tmp/eleven.ppm').quantize(4).convert('RGB').save('$tmp/four.ppm')
Image.open('$tmp/bw.pbm').save('pcx/packed1.pcx')
Image.open('$tmp/grey.pgm').save('pcx/grey8.pcx')
Image.open('$tmp/many.ppm').convert('P').save('pcx/pal8_pillow.pcx')
"
ppmtopcx -packed "$tmp/four.ppm" > pcx/packed2.pcx
ppmtopcx -8bit "$tmp/eleven.ppm" > pcx/pal8.pcc
ppmtopcx -24bit "$tmp/rgb.ppm" > pcx/rgb24.pcx
$im "$tmp/rgb.ppm" PCX:pcx/rgb24_im.scr
$im "$tmp/rgba.png" pcx/rgba32.pcx
$im "$tmp/one.ppm" pcx/one_pixel.pcx
$im "$tmp/many.ppm" -type palette pcx/pal8_im.pcx

# Put together: plain (not run-length) copies of two files, and runs that
# cross the ends of rows.
$py <<'PY'
import struct
def unpack(data, size):
    out, i = bytearray(), 0
    while len(out) < size:
        b = data[i]; i += 1
        if b >= 0xC0:
            out += bytes([data[i]]) * (b & 0x3F); i += 1
        else:
            out.append(b)
    return bytes(out[:size]), i
def plain(src, dst):
    f = open(src, "rb").read()
    w = struct.unpack_from("<H", f, 8)[0] + 1
    h = struct.unpack_from("<H", f, 10)[0] + 1
    size = f[65] * struct.unpack_from("<H", f, 66)[0] * h
    rows, used = unpack(f[128:], size)
    head = bytearray(f[:128]); head[2] = 0
    open(dst, "wb").write(bytes(head) + rows + f[128 + used:])
plain("pcx/rgb24.pcx", "pcx/plain24.pcx")
plain("pcx/pal8.pcc", "pcx/plain8.scr")
w, h, bpl = 13, 7, 14
head = bytearray(128)
head[0:4] = bytes([10, 5, 1, 8])
struct.pack_into("<HHHH", head, 4, 0, 0, w - 1, h - 1)
head[65] = 1
struct.pack_into("<HH", head, 66, bpl, 1)
px = [(i * 7) % 192 if (i // 20) % 2 else 33 for i in range(bpl * h)]
data, i = bytearray(), 0
while i < len(px):
    j = i
    while j < len(px) and px[j] == px[i] and j - i < 63:
        j += 1
    if j - i > 1:
        data += bytes([0xC0 | (j - i), px[i]])
    else:
        data.append(px[i])
    i = j
palette = bytes([12]) + bytes(v for i in range(256) for v in (i, 255 - i, (i * 3) % 256))
open("pcx/pal8_cross.pcx", "wb").write(bytes(head) + data + palette)
PY
for f in pcx/*.pcx pcx/*.pcc pcx/*.scr; do
    case "$f" in
    pcx/packed1.pcx) $py -c "from PIL import Image; Image.open('$f').convert('RGB').save('${f%.*}.ppm')" ;;
    pcx/plain*) $im "$f" "${f%.*}.ppm" ;;
    pcx/rgba32.pcx) $im "$f" pam:- | sed '1,/^ENDHDR/s/^TUPLTYPE .*/TUPLTYPE RGB_ALPHA/' > "${f%.*}.pam"; $im "$f" -alpha off "${f%.*}.ppm" ;;
    *) expect pcxtoppm "$f" ;;
    esac
done

# ---------------------------------------------------------------------------
# SGI: netpbm's pnmtosgi, ImageMagick and Pillow write; sgitopnm reads, and
# Pillow where alpha matters, ImageMagick for 16-bit samples (it rounds to 8
# bits where the reader truncates: the tests allow 1).
pnmtosgi -verbatim "$tmp/rgb.ppm" > sgi/rgb_verbatim.sgi
pnmtosgi -rle "$tmp/runs.ppm" > sgi/rgb_rle.rgb
pnmtosgi -rle "$tmp/grey.pgm" > sgi/grey_rle.bw
$im "$tmp/rgb.ppm" SGI:sgi/rgb_rle_im.sgi
$im "$tmp/rgba.png" SGI:sgi/rgba_rle.rgba
$im "$tmp/rgb16.ppm" -depth 16 -compress none SGI:sgi/rgb16_verbatim.sgi
$im "$tmp/rgb16.ppm" -colorspace gray -depth 16 -compress none SGI:sgi/grey16.bw
$py -c "
from PIL import Image
Image.open('$tmp/rgba.png').save('sgi/rgba_verbatim.sgi')
Image.open('$tmp/grey.pgm').save('sgi/grey_verbatim.bw')
Image.open('$tmp/one.ppm').save('sgi/one_pixel.sgi')
"
# Put together: 16-bit run-length rows, one dimension, two channels (grey
# and alpha), and run-length rows stored out of order with two rows sharing
# their bytes.
$py - "$tmp" <<'PY'
import struct, sys
d = sys.argv[1]
def header(storage, bpc, dim, w, h, z):
    return struct.pack(">HBBHHHH", 474, storage, bpc, dim, w, h, z) + struct.pack(">ii", 0, 255) + bytes(512 - 20)
def rle8(row):
    out, i = bytearray(), 0
    while i < len(row):
        j = i
        while j < len(row) and row[j] == row[i] and j - i < 127:
            j += 1
        if j - i > 2:
            out += bytes([j - i, row[i]])
        else:
            k = i
            while k < len(row) and k - i < 127 and not (k + 2 < len(row) and row[k] == row[k + 1] == row[k + 2]):
                k += 1
            j = max(k, i + 1)
            out += bytes([0x80 | (j - i)]) + bytes(row[i:j])
        i = j
    return bytes(out) + b"\0"
def rle16(row):
    out, i = bytearray(), 0
    while i < len(row):
        j = i
        while j < len(row) and row[j] == row[i] and j - i < 127:
            j += 1
        if j - i > 1:
            out += struct.pack(">HH", j - i, row[i])
        else:
            k = min(len(row), i + 5)
            out += struct.pack(">H", 0x80 | (k - i)) + b"".join(struct.pack(">H", v) for v in row[i:k])
            j = k
        i = j
    return bytes(out) + b"\0\0"
def rle_file(name, bpc, w, h, planes, coder, order=None, share=None):
    # planes[c][y]: rows bottom to top
    n = h * len(planes)
    blobs, starts, sizes = bytearray(), [0] * n, [0] * n
    base = 512 + 8 * n
    seen = {}
    for c, plane in enumerate(planes):
        for y in (order or range(h)):
            data = coder(plane[y])
            key = data if share else (c, y)
            if key not in seen:
                seen[key] = base + len(blobs)
                blobs += data
            starts[c * h + y], sizes[c * h + y] = seen[key], len(data)
    with open(name, "wb") as f:
        f.write(header(1, bpc, 3, w, h, len(planes)))
        f.write(b"".join(struct.pack(">I", v) for v in starts + sizes) + bytes(blobs))
w, h = 13, 7
pix = open(f"{d}/rgb16.ppm", "rb").read()[-w * h * 6:]
def sample(x, y, c):
    return struct.unpack_from(">H", pix, ((y * w) + x) * 6 + 2 * c)[0]
# Rows bottom to top: file row r is picture row h - 1 - r. Some runs.
planes16 = [[[sample(x if x < 9 else 9, h - 1 - r, c) for x in range(w)] for r in range(h)] for c in range(3)]
rle_file("sgi/rgb16_rle.sgi", 2, w, h, planes16, rle16)
with open("sgi/grey_1d.sgi", "wb") as f:
    f.write(header(0, 1, 1, 29, 0, 0) + bytes((x * 9) % 256 for x in range(29)))
with open("sgi/grey_alpha.sgi", "wb") as f:
    f.write(header(0, 1, 3, w, h, 2))
    f.write(bytes((x * 17 + y * 29) % 256 for y in range(h) for x in range(w)))
    f.write(bytes((x * 20) % 256 for y in range(h) for x in range(w)))
grey = [[0 if x < 5 else 200 if x < 11 else ((r // 2) * 40) for x in range(w)] for r in range(h)]
rle_file("sgi/grey_rle_shared.bw", 1, w, h, [grey], rle8, order=[3, 1, 0, 6, 2, 5, 4], share=True)
PY
for f in sgi/*.sgi sgi/*.rgb sgi/*.rgba sgi/*.bw; do
    case "$f" in
    *16*) $im "$f" -depth 8 "${f%.*}.ppm" ;;
    sgi/grey_rle_shared.bw) $im "$f" "${f%.*}.ppm" ;; # sgitopnm reads rows in file order
    sgi/rgba*) pam "$f"; $im "$f" -alpha off "${f%.*}.ppm" ;;
    *) sgitopnm "$f" | pamtopnm > "${f%.*}.ppm" ;;
    esac
done

# ---------------------------------------------------------------------------
# GIF: ImageMagick, Pillow and netpbm's ppmtogif encode; giftopnm reads. The
# block structure of some files is then rearranged here (tables moved,
# extensions added, sizes changed), which leaves the LZW data as the tool
# wrote it.
$im "$tmp/noise.ppm" gif/noise_im.gif
ppmtogif -interlace "$tmp/noise.ppm" > gif/noise_interlaced.gif 2>/dev/null
ppmtogif "$tmp/two.ppm" > gif/two_colours.gif 2>/dev/null
ppmtogif "$tmp/eleven.ppm" > gif/eleven_colours.gif 2>/dev/null
$im "$tmp/one.ppm" gif/one_pixel.gif
$im "$tmp/rgb.ppm" -interlace GIF gif/interlaced_im.gif
$py - "$tmp" <<'PY'
import struct, sys
from PIL import Image
d = sys.argv[1]
Image.open(f"{d}/noise.ppm").quantize(256).save("gif/noise_pillow.gif")
many = Image.open(f"{d}/many.ppm").quantize(256)
many.save(f"{d}/many.gif")
# Two frames; the second is not read.
frames = [Image.open(f"{d}/eleven.ppm").quantize(16), Image.open(f"{d}/two.ppm").quantize(2)]
frames[0].save("gif/two_frames.gif", save_all=True, append_images=frames[1:], duration=100, loop=0)

def parse(data):
    """Header and screen (13 bytes), global table, then blocks up to the first image."""
    flags = data[10]
    size = 3 * (2 << (flags & 7)) if flags & 0x80 else 0
    head, table, pos = bytearray(data[:13]), data[13:13 + size], 13 + size
    while data[pos] == 0x21:
        pos += 2
        while data[pos]:
            pos += 1 + data[pos]
        pos += 1
    assert data[pos] == 0x2C
    desc = bytearray(data[pos:pos + 10])
    pos += 10
    local = b""
    if desc[9] & 0x80:
        local = data[pos:pos + 3 * (2 << (desc[9] & 7))]
        pos += len(local)
    start = pos
    pos += 1
    while data[pos]:
        pos += 1 + data[pos]
    return head, table, desc, local, data[start:pos + 1]
def sub_blocks(payload):
    return b"".join(bytes([len(payload[i:i + 255])]) + payload[i:i + 255] for i in range(0, len(payload), 255)) + b"\0"
def write(name, *parts):
    open(name, "wb").write(b"".join(bytes(p) for p in parts))

head, table, desc, local, image = parse(open(f"{d}/many.gif", "rb").read())
bits = head[10] & 7
# Extension blocks of every kind before the image, and a second image after.
comment = b"\x21\xfe" + sub_blocks(b"made for the reader tests")
control = b"\x21\xf9\x04\x05\x0a\x00\x03\x00"
plain = b"\x21\x01" + sub_blocks(struct.pack("<HHHHBBBB", 0, 0, 23, 9, 8, 8, 1, 0) + b"text")
app = b"\x21\xff" + sub_blocks(b"NETSCAPE2.0") [:-1] + b"\x03\x01\x00\x00\x00"
other = b"\x21\x99" + sub_blocks(b"\x00\x01\x02")
write("gif/extensions.gif", head, table, comment, control, plain, app, other, desc, local, image,
      b"\x2c", struct.pack("<HHHHB", 0, 0, 2, 2, 0), b"\x02\x02\x04\x01\x00", b";")
# The colour table as a local one, no global table.
h2 = bytearray(head); h2[10] &= 0x7F
d2 = bytearray(desc); d2[9] |= 0x80 | bits
write("gif/local_table.gif", h2, d2, table, image, b";")
# A global table of other colours that the local one replaces.
write("gif/local_over_global.gif", head, bytes(255 - b for b in table), d2, table, image, b";")
# Image size 0: the screen's size is used.
d3 = bytearray(desc); d3[5:9] = bytes(4)
write("gif/size_zero.gif", head, table, d3, local, image, b";")
# A first image smaller than the screen, at an offset.
h4 = bytearray(head); h4[6:10] = struct.pack("<HH", 40, 30)
d4 = bytearray(desc); d4[1:5] = struct.pack("<HH", 5, 3)
write("gif/offset_image.gif", h4, table, d4, local, image, b";")
# Version 87a.
h5 = bytearray(head); h5[3:6] = b"87a"
write("gif/version87.gif", h5, table, desc, local, image, b";")
PY
for f in gif/*.gif; do
    case "$f" in
    gif/size_zero.gif) giftopnm "$tmp/many.gif" > "${f%.*}.ppm" ;;
    *) expect giftopnm "$f" ;;
    esac
done

# ---------------------------------------------------------------------------
# Photoshop: ImageMagick writes, and reads its files back, except the
# indexed ones (which it cannot read again) and alpha (which it blends), for
# which Pillow reads; Pillow shows bitmap mode with 1 as white, against the
# format's description and ImageMagick. Modes no tool writes are put
# together here from planes ImageMagick made. 16-bit samples and CMYK allow
# 1 (rounding), CIE L*a*b* 8 (ImageMagick converts to sRGB by its own
# formula).
$im "$tmp/runs.ppm" -compress RLE psd/rgb_rle.psd
$im "$tmp/rgb.ppm" -compress none PSD:psd/rgb_raw.pdd
$im "$tmp/rgba.png" -compress RLE psd/rgba_rle.psd
$im "$tmp/greyruns.pgm" -compress RLE psd/grey_rle.psd
$im "$tmp/rgb16.ppm" -colorspace gray -depth 16 -compress RLE psd/grey16_rle.psd
$im "$tmp/rgb16.ppm" -depth 16 -compress RLE psd/rgb16_rle.psd
$im "$tmp/rgb16.ppm" -depth 16 -compress none psd/rgb16_raw.psd
$im "$tmp/runs.ppm" -colorspace CMYK -compress RLE psd/cmyk_rle.psd
$im "$tmp/rgb.ppm" -colorspace CMYK -compress none psd/cmyk_raw.psd
$im "$tmp/many.ppm" -type palette -compress RLE psd/indexed_rle.psd
$im "$tmp/bw.pbm" -type bilevel -compress RLE psd/bitmap_rle.psd
$im "$tmp/bw.pbm" -type bilevel -compress none psd/bitmap_raw.psd
$im "$tmp/rgb.ppm" "$tmp/two.ppm" -compress RLE psd/layers.psd
$im "$tmp/one.ppm" psd/one_pixel.psd
$im "$tmp/rgb.ppm" -colorspace Lab -depth 8 -separate gray:"$tmp/lab.raw"
$im "$tmp/rgb.ppm" -separate gray:"$tmp/rgb.raw"
$im "$tmp/rgba.png" -channel A -separate gray:"$tmp/alpha.raw"
$im "$tmp/grey.pgm" gray:"$tmp/grey.raw"
$py - "$tmp" <<'PY'
import struct, sys
d = sys.argv[1]
w, h = 13, 7
def planes(name):
    data = open(f"{d}/{name}", "rb").read()
    return [data[i:i + w * h] for i in range(0, len(data), w * h)]
def psd(name, mode, channels, chans, colordata=b""):
    head = b"8BPS" + struct.pack(">H6xHIIHH", 1, channels, h, w, 8, mode)
    # One image resource (a copyright flag), no layers.
    resource = b"8BIM" + struct.pack(">H2xI", 1034, 2) + b"\0\1"
    body = struct.pack(">I", len(colordata)) + colordata + struct.pack(">I", len(resource)) + resource + struct.pack(">I", 0)
    open(name, "wb").write(head + body + struct.pack(">H", 0) + b"".join(chans))
rgb, alpha, grey = planes("rgb.raw"), planes("alpha.raw")[0], planes("grey.raw")[0]
psd("psd/lab.psd", 9, 3, planes("lab.raw"))
psd("psd/multichannel.psd", 7, 3, rgb)
psd("psd/duotone.psd", 8, 1, [grey], colordata=bytes(range(40)))
psd("psd/grey_alpha.psd", 1, 2, [grey, alpha])
# Five channels: read as four, the fourth as alpha (Pillow, which gives
# the expected pixels, shows the three colour channels only).
psd("psd/rgb_five_channels.psd", 3, 5, rgb + [alpha, grey])
PY
for f in psd/*.psd psd/*.pdd; do
    case "$f" in
    psd/indexed*|psd/rgb_five*) $py -c "from PIL import Image; Image.open('$f').convert('RGB').save('${f%.*}.ppm')" ;;
    psd/rgba*) pam "$f"; $py -c "from PIL import Image; Image.open('$f').convert('RGB').save('${f%.*}.ppm')" ;;
    *) $im "$f[0]" -depth 8 "${f%.*}.ppm" ;;
    esac
done

# ---------------------------------------------------------------------------
# Files of other programs that this reader once read wrongly or refused:
# a palette TIFF with an alpha sample (Pillow through libtiff writes, reads),
# a GIF whose LZW minimum code size is 11 (put together below; ImageMagick
# and Pillow read it alike), a Targa of 16-bit grey with alpha (Pillow
# writes and reads it; ImageMagick and netpbm take it for 5-5-5 colour) and
# BMP RLE8 and RLE4 files whose runs pass the end of their rows (put together
# below; ImageMagick reads them; Pillow agrees on the repeated runs but lets
# literal runs spill into the next row).
mkdir -p tif bmp
$py - <<'PY'
from PIL import Image
w, h = 13, 7
im = Image.new("P", (w, h))
im.putpalette([(i * 37 + (i % 3) * 50) % 256 for i in range(768)])
im.putdata([(x * 19 + y * 7) % 40 for y in range(h) for x in range(w)])
pa = im.convert("PA")
alpha = Image.new("L", (w, h))
alpha.putdata([(x * 20 + y * 3) % 256 for y in range(h) for x in range(w)])
pa.putalpha(alpha)
pa.save("tif/palette_alpha_lzw.tif", compression="tiff_lzw")
la = Image.new("LA", (w, h))
la.putdata([((x * 17 + y * 29) % 256, (x * 20 + y * 3) % 256) for y in range(h) for x in range(w)])
la.save("tga/grey16_alpha.tga")
la.save("tga/grey16_alpha_rle.tga", rle=True)
PY
for f in tif/palette_alpha_lzw.tif tga/grey16_alpha.tga tga/grey16_alpha_rle.tga; do
    $py -c "from PIL import Image; Image.open('$f').convert('RGB').save('${f%.*}.ppm')"
done
$py - <<'PY'
import random, struct
def lzw(indices, mcs):
    # GIF LZW, codes least significant bit first, a Clear before the table
    # fills.
    clear = 1 << mcs
    acc = nbits = 0
    out = bytearray()
    width, nxt, table = mcs + 1, clear + 2, {}
    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 255)
            acc >>= 8
            nbits -= 8
    emit(clear)
    w = None
    for k in indices:
        if w is None:
            w = k
            continue
        if (w, k) in table:
            w = table[(w, k)]
            continue
        emit(w)
        if nxt < 4094:
            table[(w, k)] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            width, nxt, table = mcs + 1, clear + 2, {}
        w = k
    emit(w)
    emit(clear + 1)
    if nbits:
        out.append(acc & 255)
    return bytes(out)
random.seed(11)
w, h = 80, 60
px = [random.randrange(256) if (x // 8 + y // 6) % 2 else (x * 3 + y) % 256 for y in range(h) for x in range(w)]
pal = b"".join(bytes(((i * 37) % 256, (i * 91 + 7) % 256, 255 - i)) for i in range(256))
data = lzw(px, 11)
blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
with open("gif/code_size_11.gif", "wb") as f:
    f.write(b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF7, 0, 0) + pal)
    f.write(b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + bytes([11]) + blocks + b"\0;")

def bmp(name, w, h, bits, data):
    pal = b"".join(bytes(((i * 53) % 256, (i * 97 + 30) % 256, (i * 31 + 200) % 256, 0)) for i in range(1 << bits))
    off = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 1 if bits == 8 else 2, len(data), 2835, 2835, 1 << bits, 0)
    open(name, "wb").write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + pal + data)
# Rows of 13 pixels: a run of 5 and one of 20 (or 30), or a literal run of
# 16 pixels, each row ended by an end-of-line code.
w, h = 13, 7
d8, d4 = bytearray(), bytearray()
for y in range(h):
    if y % 3 == 2:
        d8 += bytes([0, 16]) + bytes((y * 7 + i * 5) % 256 for i in range(16))
        d4 += bytes([0, 16]) + bytes((((y + i) % 16) << 4) | ((y + i + 3) % 16) for i in range(8))
    else:
        d8 += bytes([5, y + 1, 20, y + 40])
        d4 += bytes([5, (y << 4) | 9, 30, 0x3C])
    d8 += b"\0\0"
    d4 += b"\0\0"
bmp("bmp/rle8_long_runs.bmp", w, h, 8, bytes(d8 + b"\0\1"))
bmp("bmp/rle4_long_runs.bmp", w, h, 4, bytes(d4 + b"\0\1"))
PY
for f in gif/code_size_11.gif bmp/rle8_long_runs.bmp bmp/rle4_long_runs.bmp; do
    $im "$f" -depth 8 "${f%.*}.ppm"
done
