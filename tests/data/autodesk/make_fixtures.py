#!/usr/bin/python3
# Writes the Autodesk Animator test pictures of this folder and their
# expected pixels.
#
# The pictures are encoded here from the published description of the
# format: a 32-byte little-endian header (the word 0x9119, width, height, x
# and y position, 8 bits per pixel, compression 0, the image size in bytes,
# 16 reserved bytes), 256 palette entries of red, green and blue in 0..63,
# then the rows of 8-bit indexes from the top. No common tool reads the
# format: the expected pixels are the encoded ones, each palette component
# multiplied by 4 (PPM, written with Pillow).
import os
import struct

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, width, height, index, palette):
    data = struct.pack('<HHHHHBBI16x', 0x9119, width, height, 0, 0, 8, 0, width * height)
    for r, g, b in palette:
        data += bytes((r, g, b))
    for y in range(height):
        data += bytes(index(x, y) for x in range(width))
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)
    picture = Image.new('RGB', (width, height))
    picture.putdata([tuple(4 * c for c in palette[index(x, y)])
                     for y in range(height) for x in range(width)])
    picture.save(os.path.join(HERE, os.path.splitext(name)[0] + '.ppm'))


palette = [(i % 64, (i * 7) % 64, 63 - i % 64) for i in range(256)]
write('colours.cel', 33, 17, lambda x, y: (x * 13 + y * 29) % 256, palette)
write('ramp.pic', 256, 3, lambda x, y: x, [(i // 4, i // 4, i // 4) for i in range(256)])
