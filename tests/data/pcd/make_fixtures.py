#!/usr/bin/python3
# Writes the Photo-CD test pictures of this folder and their expected samples.
#
# The image pacs are encoded here from the published description of the
# format: sectors of 2048 bytes, "PCD_IPI" at byte 2048, the orientation in
# the low two bits of byte 0x0E02, and the 768 x 512 base image at sector 96 as
# PhotoYCC: for every two rows, two rows of luminance and one row of each
# chroma (C1, then C2) at half width. An overview file starts with "PCD_OPA"
# and holds its first image from sector 5. One more picture is written by
# ImageMagick itself (convert x.ppm x.pcd).
#
# The expected samples are what ImageMagick (/usr/bin/convert) reads, before
# its own colour conversion: luminance, C1 and C2 at full size, turned as the
# orientation asks, saved as the red, green and blue of a PNG
# (convert x.pcd -set colorspace sRGB x.png). The colour conversion itself is
# the converter's and is checked there.
#
# ImageMagick 6.9.11 doubles the chroma in place and so reads an already
# written sample for the chroma at (3, 0); the patterns below make the
# chroma samples at (1, 0) and (2, 0) of the half-size planes equal, where
# that does not show.
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 768, 512


def luma(x, y):
    return (x // 3 + y // 2 + (x * y) // 997) % 256


def c1(x, y):
    return (((x + 1) // 2) * 5 + y * 3) % 256


def c2(x, y):
    return (200 - ((x + 1) // 2) * 3 + (y * y) // 7) % 256


def write(name, rotation=0, overview=False):
    data = bytearray(2048 * (5 if overview else 96))
    if overview:
        data[0:7] = b'PCD_OPA'
        data[10:12] = b'\0\1'
    else:
        data[2048:2055] = b'PCD_IPI'
        data[0x0E02] = rotation
    for r in range(H // 2):
        for y in (2 * r, 2 * r + 1):
            data += bytes(luma(x, y) for x in range(W))
        data += bytes(c1(x, r) for x in range(W // 2))
        data += bytes(c2(x, r) for x in range(W // 2))
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def expect(name):
    base = os.path.splitext(name)[0]
    subprocess.run(['/usr/bin/convert', os.path.join(HERE, name), '-set', 'colorspace', 'sRGB',
                    '-strip', '-define', 'png:exclude-chunks=all',
                    'png24:' + os.path.join(HERE, base + '.png')], check=True)


write('landscape.pcd')
expect('landscape.pcd')
write('left.pcd', rotation=1)
expect('left.pcd')
write('right.pcd', rotation=3)
expect('right.pcd')
write('upside.pcd', rotation=2)
expect('upside.pcd')
write('overview.pcd', overview=True)
# A picture ImageMagick encodes.
source = os.path.join(HERE, 'source.ppm')
subprocess.run(['/usr/bin/convert', '-size', '512x768', 'gradient:navy-orange', '-rotate', '90',
                source], check=True)
subprocess.run(['/usr/bin/convert', source, os.path.join(HERE, 'magick.pcd')], check=True)
os.remove(source)
expect('magick.pcd')
