/* Expected pixels of the TIFF fixtures, written with libtiff as the oracle.
 *
 *   oracle strips IN OUT   all strips of directory 0 as TIFFReadEncodedStrip
 *                          decodes them, one after the other
 *   oracle rgba IN OUT     the image as TIFFReadRGBAImageOriented gives it:
 *                          width, height (32-bit little-endian), then
 *                          red, green, blue, alpha per pixel, top row first
 *   oracle mh IN OUT [w]   re-encodes a 1-bit TIFF with CCITT modified
 *                          Huffman (compression 2, or 32771 with "w")
 *   oracle tiles IN OUT    all tiles of directory 0 as TIFFReadEncodedTile
 *                          decodes them, one after the other
 *   oracle ycbcr IN OUT H V COMPRESSION [PREDICTOR [TILE]]
 *                          writes an 8-bit RGB TIFF as YCbCr (ITU-R BT.601
 *                          weights, full range) subsampled H x V, with the
 *                          predictor given (libtiff differences the data it
 *                          encodes), in strips of 4 rows of blocks, or in
 *                          tiles of TILE x TILE pixels when TILE is given
 *
 * OUT is compressed with zlib (compress2) except for "mh".
 * Build: cc -O2 oracle.c -o oracle -ltiff -lz
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>
#include <zlib.h>

static void put(const char* path, const unsigned char* data, size_t size) {
    uLongf zsize = compressBound(size);
    unsigned char* z = malloc(zsize);
    if (compress2(z, &zsize, data, size, 9) != Z_OK) { fprintf(stderr, "zlib\n"); exit(1); }
    FILE* f = fopen(path, "wb");
    fwrite(z, 1, zsize, f);
    fclose(f);
    free(z);
}

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    TIFF* in = TIFFOpen(argv[2], "r");
    if (!in) return 1;
    if (strcmp(argv[1], "strips") == 0) {
        tstrip_t n = TIFFNumberOfStrips(in);
        tmsize_t ss = TIFFStripSize(in);
        unsigned char* all = malloc((size_t)ss * n);
        size_t used = 0;
        uint32_t h, rps;
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rps);
        uint32_t perPlane = TIFFComputeStrip(in, h - 1, 0) + 1;
        memset(all, 0, (size_t)ss * n);
        for (tstrip_t s = 0; s < n; ++s) {
            tmsize_t got = TIFFReadEncodedStrip(in, s, all + used, ss);
            if (got < 0) {
                /* Damaged strip: keep what was decoded, as the reader does. */
                uint32_t first = (s % perPlane) * rps;
                uint32_t rows = h - first < rps ? h - first : rps;
                got = TIFFVStripSize(in, rows);
                fprintf(stderr, "%s: strip %u damaged\n", argv[2], s);
            }
            used += (size_t)got;
        }
        put(argv[3], all, used);
    } else if (strcmp(argv[1], "tiles") == 0) {
        ttile_t n = TIFFNumberOfTiles(in);
        tmsize_t ts = TIFFTileSize(in);
        unsigned char* all = calloc((size_t)n, (size_t)ts);
        for (ttile_t t = 0; t < n; ++t)
            if (TIFFReadEncodedTile(in, t, all + (size_t)t * ts, ts) < 0)
                fprintf(stderr, "%s: tile %u damaged\n", argv[2], t);
        put(argv[3], all, (size_t)ts * n);
    } else if (strcmp(argv[1], "rgba") == 0) {
        uint32_t w, h;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
        uint32_t* px = malloc((size_t)w * h * 4);
        memset(px, 0, (size_t)w * h * 4);
        TIFFReadRGBAImageOriented(in, w, h, px, ORIENTATION_TOPLEFT, 0);
        unsigned char* out = malloc(8 + (size_t)w * h * 4);
        for (int i = 0; i < 4; ++i) { out[i] = (w >> (8 * i)) & 255; out[4 + i] = (h >> (8 * i)) & 255; }
        for (size_t i = 0; i < (size_t)w * h; ++i) {
            out[8 + 4 * i] = TIFFGetR(px[i]);
            out[9 + 4 * i] = TIFFGetG(px[i]);
            out[10 + 4 * i] = TIFFGetB(px[i]);
            out[11 + 4 * i] = TIFFGetA(px[i]);
        }
        put(argv[3], out, 8 + (size_t)w * h * 4);
    } else if (strcmp(argv[1], "mh") == 0) {
        uint32_t w, h;
        uint16_t photometric = 0;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetFieldDefaulted(in, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFF* out = TIFFOpen(argv[3], "w");
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(out, TIFFTAG_COMPRESSION,
                     argc > 4 && argv[4][0] == 'w' ? COMPRESSION_CCITTRLEW : COMPRESSION_CCITTRLE);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, 16);
        unsigned char* row = malloc(TIFFScanlineSize(in));
        for (uint32_t y = 0; y < h; ++y) {
            TIFFReadScanline(in, row, y, 0);
            if (TIFFWriteScanline(out, row, y, 0) < 0) return 1;
        }
        TIFFClose(out);
    }
    else if (strcmp(argv[1], "ycbcr") == 0 && argc > 6) {
        uint32_t w, h;
        int sh = atoi(argv[4]), sv = atoi(argv[5]);
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
        unsigned char* rgb = malloc((size_t)w * h * 3);
        for (uint32_t y = 0; y < h; ++y) TIFFReadScanline(in, rgb + (size_t)y * w * 3, y, 0);
        uint32_t bw = (w + sh - 1) / sh, bh = (h + sv - 1) / sv;
        size_t bsize = (size_t)sh * sv + 2;
        unsigned char* data = malloc(bw * bh * bsize);
        unsigned char* p = data;
        for (uint32_t by = 0; by < bh; ++by)
            for (uint32_t bx = 0; bx < bw; ++bx) {
                double cb = 0, cr = 0;
                for (int j = 0; j < sv; ++j)
                    for (int i = 0; i < sh; ++i) {
                        uint32_t x = bx * sh + i, y = by * sv + j;
                        if (x >= w) x = w - 1;
                        if (y >= h) y = h - 1;
                        const unsigned char* q = rgb + ((size_t)y * w + x) * 3;
                        double Y = 0.299 * q[0] + 0.587 * q[1] + 0.114 * q[2];
                        *p++ = (unsigned char)(Y + 0.5);
                        cb += (q[2] - Y) / 1.772 + 128;
                        cr += (q[0] - Y) / 1.402 + 128;
                    }
                cb /= sh * sv;
                cr /= sh * sv;
                *p++ = (unsigned char)(cb + 0.5);
                *p++ = (unsigned char)(cr + 0.5);
            }
        TIFF* out = TIFFOpen(argv[3], "w");
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(out, TIFFTAG_YCBCRSUBSAMPLING, sh, sv);
        TIFFSetField(out, TIFFTAG_COMPRESSION, atoi(argv[6]));
        if (argc > 7) TIFFSetField(out, TIFFTAG_PREDICTOR, atoi(argv[7]));
        float ref[6] = {0, 255, 128, 255, 128, 255};
        TIFFSetField(out, TIFFTAG_REFERENCEBLACKWHITE, ref);
        if (argc > 8) {
            /* Tiles of t x t pixels: blocks copied out of the picture's
               block rows, blocks beyond the picture repeating its edge. */
            uint32_t t = (uint32_t)atoi(argv[8]);
            TIFFSetField(out, TIFFTAG_TILEWIDTH, t);
            TIFFSetField(out, TIFFTAG_TILELENGTH, t);
            uint32_t tbw = t / sh, tbh = t / sv;
            unsigned char* tile = malloc((size_t)tbw * tbh * bsize);
            ttile_t n = 0;
            for (uint32_t ty = 0; ty < bh; ty += tbh)
                for (uint32_t tx = 0; tx < bw; tx += tbw, ++n) {
                    unsigned char* q = tile;
                    for (uint32_t j = 0; j < tbh; ++j)
                        for (uint32_t i = 0; i < tbw; ++i, q += bsize) {
                            uint32_t bx = tx + i < bw ? tx + i : bw - 1;
                            uint32_t by = ty + j < bh ? ty + j : bh - 1;
                            memcpy(q, data + ((size_t)by * bw + bx) * bsize, bsize);
                        }
                    if (TIFFWriteEncodedTile(out, n, tile, (tmsize_t)(tbw * tbh * bsize)) < 0)
                        return 1;
                }
            free(tile);
        } else {
            TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, (uint32_t)(sv * 4));
            size_t stripBytes = (size_t)bw * 4 * bsize;
            for (uint32_t s = 0; s * 4 < bh; ++s) {
                uint32_t rowsOfBlocks = bh - s * 4 < 4 ? bh - s * 4 : 4;
                if (TIFFWriteEncodedStrip(out, s, data + s * stripBytes,
                                          (tmsize_t)(rowsOfBlocks * bw * bsize)) < 0)
                    return 1;
            }
        }
        TIFFClose(out);
    }
    TIFFClose(in);
    return 0;
}
