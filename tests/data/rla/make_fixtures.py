#!/usr/bin/python3
# Writes the Alias/Wavefront test pictures of this folder and their expected
# pixels.
#
# The pictures are encoded here from the published description of the
# format: a 740-byte big-endian header (window and active window as left,
# right, bottom, top; frame; storage type; colour, matte and auxiliary
# channel counts; the revision 0xFFFE; text fields for gamma, chromaticities
# and names; the storage "rgb" or "xyz" at byte 580; bits per colour channel
# at 658 and per matte channel at 662), a table of 32-bit file offsets, one
# per row from the bottom row up, and the rows: for every channel a 16-bit
# byte count and run-length data (a control byte c >= 0 repeats the next byte
# c + 1 times, c < 0 copies the next -c bytes). Samples of more than 8 bits are
# 16-bit big-endian values.
#
# Expected pixels of the 8-bit pictures come from GraphicsMagick ("gm convert",
# Debian package graphicsmagick; ImageMagick 6.9.11 refuses every RLA file of
# more than one row); those of the others are the encoded samples, scaled to 8
# bits as v * 255 / 65535. Run this script again only with GraphicsMagick
# installed.
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 128:
            run += 1
        if run >= 2:
            out += struct.pack('>bB', run - 1, data[i])
            i += run
            continue
        n = 1
        while i + n < len(data) and n < 128 and data[i + n] != data[i + n - 1]:
            n += 1
        if i + n < len(data) and n > 1:
            n -= 1  # leave the first byte of the coming run to it
        out += struct.pack('>b', -n) + bytes(data[i:i + n])
        i += n
    return bytes(out)


def header(width, height, matte, bits, matte_bits, storage=b'rgb', gamma=b'1.0', left=0,
           top_down=False, revision=0xFFFE):
    bottom, top = (height - 1, 0) if top_down else (0, height - 1)
    h = bytearray(740)
    struct.pack_into('>8h', h, 0, left, left + width - 1, bottom, top,
                     left, left + width - 1, bottom, top)
    struct.pack_into('>hhhhhH', h, 16, 1, 0, 3, 1 if matte else 0, 0, revision)
    h[28:28 + len(gamma)] = gamma
    for at, text in ((44, b'0.670 0.330'), (68, b'0.210 0.710'), (92, b'0.140 0.080'),
                     (116, b'0.310 0.316')):
        h[at:at + len(text)] = text
    h[144:144 + 8] = b'test.rla'
    assert len(h) == 740
    h[580:580 + len(storage)] = storage
    struct.pack_into('>hhhhh', h, 658, bits, 0 if not matte else 4, matte_bits, 0, 0)
    return h


def write(name, width, height, sample, matte=False, bits=8, matte_bits=None, **kw):
    """sample(channel, x, y) gives a value of `bits` bits; channel 3 is the matte."""
    matte_bits = matte_bits or bits
    data = header(width, height, matte, bits, matte_bits, **kw)
    table_at = len(data)
    data += b'\0' * (4 * height)
    offsets = []
    top_down = kw.get('top_down', False)
    for i in range(height):
        y = i if top_down else height - 1 - i  # picture row, 0 at the top
        offsets.append(len(data))
        for c in range(4 if matte else 3):
            b = matte_bits if c == 3 else bits
            row = bytearray()
            for x in range(width):
                v = sample(c, x, y)
                row += struct.pack('>H', v) if b > 8 else bytes([v])
            packed = rle(row)
            data += struct.pack('>H', len(packed)) + packed
    struct.pack_into('>%dI' % height, data, table_at, *offsets)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def expect_gm(name, alpha=False, read=None):
    """The expected pixels of `name`, as GraphicsMagick reads `read` (default: name)."""
    base = os.path.splitext(name)[0]
    out = os.path.join(HERE, base + ('.png' if alpha else '.ppm'))
    args = ['+profile', '*', 'PNG32:' + out] if alpha else [out]
    subprocess.run(['gm', 'convert', 'RLA:' + os.path.join(HERE, read or name)] + args, check=True)


def expect_samples(name, width, height, sample, bits):
    base = os.path.splitext(name)[0]
    scale = (lambda v: v * 255 // 65535) if bits > 8 else (lambda v: v)
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(scale(sample(c, x, y)) for c in range(3))
    with open(os.path.join(HERE, base + '.ppm'), 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (width, height) + pixels)


def colours(c, x, y):
    return [(x * 7 + y * 3) % 256, (x * y) % 256, 255 - (x * 5) % 256, (x * 16 + y) % 256][c]


def flat(c, x, y):
    # long runs and short literal stretches
    return [(x // 50) * 40, 128 if x < 140 else x % 256, y * 20, 255][c]


def deep(c, x, y):
    return [(x * 4001 + y * 77) % 65536, (y * 9000 + x) % 65536, 65535 - x * 2500, 0][c]


write('rgb.rla', 37, 19, colours)
expect_gm('rgb.rla')
write('runs.rla', 300, 5, flat)
expect_gm('runs.rla')
write('matte.rla', 21, 11, colours, matte=True)
expect_gm('matte.rla', alpha=True)
# GraphicsMagick refuses the storage "xyz": its expected pixels are those of
# the same samples stored as "rgb".
write('xyz.rpf', 37, 19, colours, storage=b'xyz', left=100)
write('xyz-as-rgb.rla', 37, 19, colours, left=100)
expect_gm('xyz.rpf', read='xyz-as-rgb.rla')
os.remove(os.path.join(HERE, 'xyz-as-rgb.rla'))
# GraphicsMagick reads neither samples above 8 bits nor top-down rows.
write('deep.rla', 19, 7, deep, bits=16)
expect_samples('deep.rla', 19, 7, deep, 16)
write('topdown.rla', 23, 13, colours, top_down=True)
expect_samples('topdown.rla', 23, 13, colours, 8)
