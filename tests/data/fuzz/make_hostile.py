#!/usr/bin/python3
# Writes the hand-made hostile files of this folder: small files whose
# declared contents would have cost a reader far more time or memory than
# the picture they make. They sit beside the fuzzer's findings, so the core
# tests load each of them; the reader tests check what loading gives and
# bench/bombs_bench.cpp what it costs. The layouts are those of
# ../psp/make_fixtures.py and ../rla/make_fixtures.py.
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def save(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def targa_8bit_runs_too_few():
    # 8-bit grey, run-length, 1000 x 100 pixels, but 600 runs of 128 make
    # only 76800: a bound of 103 bytes a byte (that of 32-bit pixels) let it
    # through to the allocation.
    head = struct.pack('<BBBHHBHHHHBB', 0, 0, 11, 0, 0, 0, 0, 0, 1000, 100, 8, 0x20)
    save('targa/rle8-runs-too-few.tga', head + bytes([0xFF, 90]) * 600)


targa_8bit_runs_too_few()
