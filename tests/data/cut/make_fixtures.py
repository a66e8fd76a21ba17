#!/usr/bin/python3
# Writes the Dr. Halo test pictures of this folder and their expected pixels.
#
# The pictures are encoded here from the published description of the
# format: a header of width, height and a reserved word (little-endian), then
# one row after another, each a 16-bit byte count followed by control bytes
# (0 ends the row, bit 7 set repeats the next byte control & 0x7F times,
# clear copies the next control bytes). Palette files: a 40-byte header
# ("AH", version, size, file type 10, subtype 0, board, graphics mode, the
# largest index, the largest red, green and blue, a 20-byte name), then
# entries of three 16-bit words in 512-byte blocks, an entry never crossing a
# block's end.
#
# Expected pixels come from ImageMagick (/usr/bin/convert reads CUT with the
# palette file beside it); run this script again only with it installed.
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def rle_row(row, mode):
    """Codes one row; mode 'runs' prefers runs, 'literal' copies only."""
    out = bytearray()
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 127:
            run += 1
        if mode == 'runs' and run >= 3:
            out += bytes([0x80 | run, row[i]])
            i += run
            continue
        n = min(127, len(row) - i) if mode == 'literal' else 1
        if mode != 'literal':
            # a literal stretch up to the next run of three
            while i + n < len(row) and n < 127 and not (
                    i + n + 2 < len(row) and row[i + n] == row[i + n + 1] == row[i + n + 2]):
                n += 1
        out += bytes([n]) + bytes(row[i:i + n])
        i += n
    out += b'\0'
    return struct.pack('<H', len(out)) + out


def write_cut(name, width, height, pixel, mode='runs'):
    data = bytearray(struct.pack('<HHH', width, height, 0))
    for y in range(height):
        data += rle_row([pixel(x, y) for x in range(width)], mode)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def write_pal(name, colours):
    data = bytearray(b'AH' + struct.pack('<HHBBHH', 0x0100, 0, 10, 0, 0, 0))
    data += struct.pack('<HHHH', len(colours) - 1, 255, 255, 255)
    data += b'Dr. Halo'.ljust(20, b'\0')
    for r, g, b in colours:
        at = len(data)
        if 512 - at % 512 < 6:
            data += b'\0' * (512 - at % 512)
        data += struct.pack('<HHH', r, g, b)
    data += b'\0' * (-len(data) % 512)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def expect(name):
    base = os.path.splitext(name)[0]
    subprocess.run(['/usr/bin/convert', os.path.join(HERE, name),
                    os.path.join(HERE, base + '.ppm')], check=True)


# 256 colours: the palette spans four blocks.
write_cut('colours.cut', 37, 23, lambda x, y: (x * 7 + y * 11) % 256)
write_pal('colours.pal', [((i * 3) % 256, (255 - i), (i * 5 + 17) % 256) for i in range(256)])
expect('colours.cut')
# An odd width of literal rows and a 16-colour palette.
write_cut('literal.cut', 13, 9, lambda x, y: (x + y) % 16, mode='literal')
write_pal('literal.pal', [(i * 16, 255 - i * 16, (i * 40) % 256) for i in range(16)])
expect('literal.cut')
# Long runs (127 a control byte) in a wide picture.
write_cut('runs.cut', 300, 4, lambda x, y: 40 * y + (x // 100))
write_pal('runs.pal', [(i, i, 255 - i) for i in range(256)])
expect('runs.cut')
# No palette file: a grey ramp.
write_cut('grey.cut', 29, 7, lambda x, y: (x * 9 + y * 31) % 256)
expect('grey.cut')
