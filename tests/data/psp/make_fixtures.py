#!/usr/bin/python3
# Writes the Paint Shop Pro test pictures of this folder and their expected
# pixels.
#
# The pictures are encoded here from the published description of the
# format (file format versions 3, for Paint Shop Pro 5, to 5): a 32-byte
# signature field "Paint Shop Pro Image File\n\x1a" and the major and minor
# version, then blocks. A block header is "~BK\0", a 16-bit block id and the
# 32-bit length of its contents; version 3 puts the length of the block's
# information between them, later versions start the information with its own
# 32-bit size. Blocks used: general image attributes (0), creator (1), colour
# palette (2: entry count, then blue, green, red, reserved), layer bank (3)
# holding layer blocks (4), each with its information (name, layer type,
# image and saved rectangles, ...), its bitmap and channel counts and channel
# blocks (5: compressed and uncompressed length, bitmap type 0 image or 1
# transparency mask, channel type 0 composite, 1 red, 2 green, 3 blue, then
# the data). Channel rows run from the top and are padded to 4 bytes;
# compression 0 none, 1 run-length (a control byte above 128 repeats the next
# byte control - 128 times, one of 128 or less copies that many bytes), 2
# deflate (zlib).
#
# No common tool on this machine reads the format: the expected pixels are the
# encoded ones (PNG, written with Pillow).
import os
import struct
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
SIGNATURE = b'Paint Shop Pro Image File\n\x1a'.ljust(32, b'\0')


def block(major, block_id, info, rest=b''):
    """A block whose contents are an information part and what follows it."""
    if major >= 4:
        if info is not None:
            info = struct.pack('<I', len(info) + 4) + info
        else:
            info = b''
        contents = info + rest
        return b'~BK\0' + struct.pack('<HI', block_id, len(contents)) + contents
    info = info or b''
    return b'~BK\0' + struct.pack('<HII', block_id, len(info), len(info) + len(rest)) + info + rest


def rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 127:
            run += 1
        if run >= 3:
            out += bytes([128 + run, data[i]])
            i += run
            continue
        n = 1
        while i + n < len(data) and n < 128 and not (
                i + n + 2 < len(data) and data[i + n] == data[i + n + 1] == data[i + n + 2]):
            n += 1
        out += bytes([n]) + data[i:i + n]
        i += n
    return bytes(out)


def compress(data, compression):
    return [data, rle(data), zlib.compress(data)][compression]


def pack_rows(rows, bits, width, padded):
    out = bytearray()
    for row in rows:
        if bits == 8:
            line = bytes(row)
        else:
            line = bytearray((width * bits + 7) // 8)
            for x, v in enumerate(row):
                at = x * bits
                line[at // 8] |= v << (8 - bits - at % 8)
            line = bytes(line)
        if padded:
            line += b'\0' * (-len(line) % 4)
        out += line
    return bytes(out)


def layer_info(major, name, layer_type, rect, saved):
    rects = struct.pack('<4i', *rect) + struct.pack('<4i', *saved)
    tail = bytes([255, 0, 1, 0, 0]) + struct.pack('<4i', *rect) + struct.pack('<4i', *saved)
    tail += bytes([0, 0, 0]) + struct.pack('<H', 5) + b'\0' * 40
    if major >= 4:
        extra = b'\0\0\0\0' if major >= 5 else b''  # later fields a reader skips
        return struct.pack('<H', len(name)) + name + bytes([layer_type]) + rects + tail + extra
    return name.ljust(256, b'\0') + bytes([layer_type]) + rects + tail


def write(name, width, height, depth, pixels, major=5, compression=1, palette=None,
          greyscale=False, mask=None, padded=True, layer_rect=None, vector_first=False,
          resolution=(72.0, 1), creator=True, write_palette=True, bits_override=None):
    """pixels[y][x] is an index (depths 1, 4, 8) or an (r, g, b) triple; mask
    is a plane of alpha values. The layer covers layer_rect (left, top,
    right, bottom) of the picture, the whole picture by default."""
    rect = layer_rect or (0, 0, width, height)
    lw, lh = rect[2] - rect[0], rect[3] - rect[1]
    out = bytearray(SIGNATURE + struct.pack('<HH', major, 0))
    attributes = struct.pack('<iidBHHHIBIiH', width, height, resolution[0], resolution[1],
                             compression, bits_override or depth, 1,
                             1 << min(depth, 24) if depth <= 8 else 1 << 24,
                             1 if greyscale else 0, width * height * max(depth, 8) // 8, 0,
                             2 if vector_first else 1)
    if major >= 4:
        attributes += struct.pack('<I', 1)
    out += block(major, 0, attributes)
    if creator:
        out += block(major, 1, b'', b'\0' * 12)
    if palette is not None and write_palette:
        entries = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
        out += block(major, 2, struct.pack('<I', len(palette)), entries)

    layers = b''
    if vector_first:
        info = layer_info(major, b'Vector', 3, (0, 0, width, height), (0, 0, width, height))
        counts = struct.pack('<HH', 0, 0)
        if major >= 4:
            layers += block(major, 4, info, struct.pack('<I', 8) + counts)
        else:
            layers += block(major, 4, info + counts)

    channels = []
    if depth == 24:
        for c in range(3):
            channels.append((0, c + 1, pack_rows([[p[c] for p in row] for row in pixels], 8, lw,
                                                 padded)))
    else:
        channels.append((0, 0, pack_rows(pixels, depth, lw, padded)))
    if mask is not None:
        channels.append((1, 0, pack_rows(mask, 8, lw, padded)))
    body = b''
    for bitmap_type, channel_type, data in channels:
        packed = compress(data, compression)
        fields = struct.pack('<IIHH', len(packed), len(data), bitmap_type, channel_type)
        body += block(major, 5, fields, packed)
    info = layer_info(major, b'Background', 1, rect, (0, 0, lw, lh))
    counts = struct.pack('<HH', 1 + (mask is not None), len(channels))
    if major >= 4:
        layers += block(major, 4, info, struct.pack('<I', 8) + counts + body)
    else:
        layers += block(major, 4, info + counts, body)
    out += block(major, 3, None, layers)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out)

    # The expected picture: black (and transparent) where the layer is not.
    mode = 'RGBA' if mask is not None else 'RGB'
    picture = Image.new(mode, (width, height), (0, 0, 0, 0) if mask is not None else (0, 0, 0))
    for y in range(lh):
        for x in range(lw):
            px, py = rect[0] + x, rect[1] + y
            if not (0 <= px < width and 0 <= py < height):
                continue
            v = pixels[y][x]
            if depth == 24:
                colour = tuple(v)
            elif greyscale:
                level = v * 255 // ((1 << depth) - 1)
                colour = (level, level, level)
            else:
                colour = palette[v] if v < len(palette) else (0, 0, 0)
            if mask is not None:
                colour = colour + (mask[y][x],)
            picture.putpixel((px, py), colour)
    picture.save(os.path.join(HERE, os.path.splitext(name)[0] + '.png'))


def rgb(w, h):
    return [[((x * 7 + y * 3) % 256, (x * y) % 256, 255 - (x * 5) % 256) for x in range(w)]
            for y in range(h)]


def flat(w, h):
    # long runs for the run-length coder
    return [[((x // 20) * 40 % 256, 100, y * 10) for x in range(w)] for y in range(h)]


def indexes(w, h, depth):
    return [[(x * 3 + y * 5) % (1 << depth) for x in range(w)] for y in range(h)]


palette256 = [((i * 3) % 256, 255 - i, (i * 5 + 17) % 256) for i in range(256)]

for major in (3, 4, 5):
    for compression, cname in ((0, 'none'), (1, 'rle'), (2, 'lz77')):
        write('v%d-rgb-%s.psp' % (major, cname), 37, 11, 24, rgb(37, 11), major=major,
              compression=compression)
write('v5-flat-rle.psp', 300, 6, 24, flat(300, 6), compression=1)
write('v5-rgba-rle.psp', 21, 9, 24, rgb(21, 9),
      mask=[[(x * 12 + y) % 256 for x in range(21)] for y in range(9)])
write('v3-rgba-lz77.psp', 21, 9, 24, rgb(21, 9), major=3, compression=2,
      mask=[[(x * 12 + y) % 256 for x in range(21)] for y in range(9)])
write('v5-rgb-unpadded.psp', 37, 11, 24, rgb(37, 11), compression=0, padded=False)
write('v4-pal8-lz77.psp', 29, 7, 8, indexes(29, 7, 8), major=4, compression=2,
      palette=palette256)
write('v4-pal4-rle.psp', 13, 9, 4, indexes(13, 9, 4), major=4, palette=palette256[:16])
write('v3-pal4-none.psp', 13, 9, 4, indexes(13, 9, 4), major=3, compression=0,
      palette=palette256[100:116])
write('v5-pal1-none.psp', 21, 5, 1, indexes(21, 5, 1), compression=0,
      palette=[(200, 10, 30), (5, 250, 90)])
write('v5-grey8-rle.psp', 19, 7, 8, indexes(19, 7, 8), greyscale=True,
      palette=[(i, i, i) for i in range(256)])
write('v5-grey4-lz77.psp', 15, 4, 4, indexes(15, 4, 4), compression=2, greyscale=True,
      palette=[(i * 17, i * 17, i * 17) for i in range(16)])
# A raster layer after a vector layer, smaller than the picture and moved.
write('v5-layer-offset.psp', 40, 20, 24, rgb(25, 12), layer_rect=(10, 5, 35, 17),
      vector_first=True, resolution=(40.0, 2), creator=False)
# Files that cannot be read.
write('bad-depth16.psp', 8, 4, 24, rgb(8, 4), bits_override=16)
write('bad-jpeg.psp', 8, 4, 24, rgb(8, 4), compression=1)
with open(os.path.join(HERE, 'bad-jpeg.psp'), 'r+b') as f:
    # the compression word of the general image attributes
    f.seek(36 + 10 + 4 + 17)
    f.write(struct.pack('<H', 3))
write('bad-no-palette.psp', 8, 4, 8, indexes(8, 4, 8), palette=palette256, write_palette=False)
for name in os.listdir(HERE):
    if name.startswith('bad-') and name.endswith('.png'):
        os.remove(os.path.join(HERE, name))
