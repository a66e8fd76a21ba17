#!/usr/bin/python3
# Writes the hand-made hostile files of this folder: small files whose
# declared contents would have cost a reader far more time or memory than
# the picture they make. They sit beside the fuzzer's findings, so the core
# tests load each of them; the reader tests check what loading gives and
# bench/bombs_bench.cpp what it costs. The layouts are those of
# ../psp/make_fixtures.py and ../rla/make_fixtures.py.
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def save(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def psp_block(block_id, info, rest=b''):
    # Format version 5: the information starts with its own size.
    if info is not None:
        info = struct.pack('<I', len(info) + 4) + info
    contents = (info or b'') + rest
    return b'~BK\0' + struct.pack('<HI', block_id, len(contents)) + contents


def psp_small_picture_huge_layer():
    # A 1 x 1 greyscale picture whose one layer is 16384 x 8192 deflated
    # zeros (128 MB unpacked), of which one pixel is shown.
    lw, lh = 16384, 8192
    out = bytearray(b'Paint Shop Pro Image File\n\x1a'.ljust(32, b'\0') + struct.pack('<HH', 5, 0))
    attributes = struct.pack('<iidBHHHIBIiH', 1, 1, 72.0, 1, 2, 8, 1, 256, 1, 1, 0, 1)
    out += psp_block(0, attributes + struct.pack('<I', 1))
    data = zlib.compress(bytes(lw * lh), 9)
    body = psp_block(5, struct.pack('<IIHH', len(data), lw * lh, 0, 0), data)
    rect = struct.pack('<4i', 0, 0, lw, lh)
    tail = bytes([255, 0, 1, 0, 0]) + rect + rect + bytes([0, 0, 0]) + struct.pack('<H', 5)
    info = struct.pack('<H', 10) + b'Background' + bytes([1]) + rect + rect + tail + bytes(44)
    layer = psp_block(4, info, struct.pack('<IHH', 8, 1, 1) + body)
    out += psp_block(3, None, layer)
    save('psp/small-picture-huge-layer.psp', out)


def rla_rows_share_one_long_channel():
    # 1 x 32767 pixels; every row points at the same row, whose three
    # channels each declare 65535 bytes, of which one pixel needs 2.
    width, height = 1, 32767
    h = bytearray(740)
    struct.pack_into('>8h', h, 0, 0, width - 1, 0, height - 1, 0, width - 1, 0, height - 1)
    struct.pack_into('>hhhhhH', h, 16, 1, 0, 3, 0, 0, 0xFFFE)
    h[28:31] = b'1.0'
    h[580:583] = b'rgb'
    struct.pack_into('>hhhhh', h, 658, 8, 0, 8, 0, 0)
    out = h + struct.pack('>I', len(h) + 4 * height) * height
    channel = bytes([0, 200]) + bytes(65533)
    for _ in range(3):
        out += struct.pack('>H', len(channel)) + channel
    save('rla/rows-share-one-long-channel.rla', out)


def targa_8bit_runs_too_few():
    # 8-bit grey, run-length, 1000 x 100 pixels, but 600 runs of 128 make
    # only 76800: a bound of 103 bytes a byte (that of 32-bit pixels) let it
    # through to the allocation.
    head = struct.pack('<BBBHHBHHHHBB', 0, 0, 11, 0, 0, 0, 0, 0, 1000, 100, 8, 0x20)
    save('targa/rle8-runs-too-few.tga', head + bytes([0xFF, 90]) * 600)


psp_small_picture_huge_layer()
rla_rows_share_one_long_channel()
targa_8bit_runs_too_few()
