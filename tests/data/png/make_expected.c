/*
 * Writes the pixels the PNG reader must produce for the PngSuite images,
 * with libpng as the independent decoder: libpng inflates, unfilters and
 * de-interlaces, and libpng itself turns palette indexes into the colours
 * of the PLTE chunk (png_set_palette_to_rgb) and low-depth grey levels into
 * 8-bit levels (png_set_expand_gray_1_2_4_to_8). On top of libpng's output
 * only what the reader defines differently from libpng is applied:
 *   - 16-bit samples become 8 bits as v * 255 / 65535 (integer division;
 *     libpng would round);
 *   - grey with alpha drops the alpha; tRNS does not change any colour;
 *   - with gAMA, colours (palette colours, grey levels, RGB components;
 *     never alpha) go through the table
 *     round((i / 255) ^ (1 / (gamma * 2.2)) * 255).
 * No palette index or grey level is mapped by this program: a reader that
 * scales palette indexes, or misreads grey levels, differs from libpng here.
 *
 * Not part of the build. Build and run from the repository root:
 *   cc -O2 -o /tmp/make_expected tests/data/png/make_expected.c -lpng -lm
 *   /tmp/make_expected tests/data/pngsuite tests/data/png/expected
 * Output: for each NAME.png that libpng reads, NAME.rgba (R, G, B, A bytes
 * per pixel, rows top first; A is 255 unless the bitmap has 32 bits) and a
 * line "NAME WIDTH HEIGHT BITS" in manifest.txt, where BITS is the pixel
 * size of the bitmap the reader makes (1, 4, 8, 24 or 32). Files libpng
 * refuses are listed in refused.txt.
 */
#include <dirent.h>
#include <math.h>
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int cmp(const void* a, const void* b) {
    return strcmp(*(const char* const*)a, *(const char* const*)b);
}

static unsigned char gammaTable[256];
static void buildGamma(float g) {
    double exponent = 1.0 / ((double)g * (double)2.2f);
    for (int i = 0; i < 256; ++i) {
        double v = pow((double)i / 255.0, exponent) * 255.0;
        long r = lround(v);
        gammaTable[i] = (unsigned char)(r < 0 ? 0 : r > 255 ? 255 : r);
    }
}

/* Returns 0 on success. */
static int convert(const char* inPath, const char* outPath, FILE* manifest, const char* name) {
    FILE* f = fopen(inPath, "rb");
    if (!f) return 1;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    /* Changed after setjmp: static so that longjmp leaves them intact. */
    static unsigned char** rows;
    static png_uint_32 h;
    rows = NULL;
    h = 0;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, NULL);
        fclose(f);
        if (rows) {
            for (png_uint_32 y = 0; y < h; ++y) free(rows[y]);
            free(rows);
            rows = NULL;
        }
        return 1;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info);
    h = png_get_image_height(png, info);
    int depth = png_get_bit_depth(png, info);
    int type = png_get_color_type(png, info);
    int haveGamma = 0;
    png_fixed_point gfix;
    if (png_get_gAMA_fixed(png, info, &gfix)) {
        haveGamma = 1;
        float g = (float)gfix / 100000.0f;
        if (g <= 0) g = 1.0f;
        buildGamma(g);
    }
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rb = png_get_rowbytes(png, info);
    /* Samples per pixel and bytes per sample of libpng's output. */
    int channels = png_get_channels(png, info);
    int wide = png_get_bit_depth(png, info) == 16;
    rows = calloc(h, sizeof *rows);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = calloc(1, rb);
    png_read_image(png, rows);
    png_read_end(png, NULL);

    /* The bitmap the reader makes: 2-bit samples are held in 4-bit pixels. */
    int bits;
    switch (type) {
    case 0: case 3: bits = depth == 1 ? 1 : depth <= 4 ? 4 : 8; break;
    case 4: bits = 8; break;
    case 2: bits = 24; break;
    default: bits = 32; break;
    }

    FILE* out = fopen(outPath, "wb");
    for (png_uint_32 y = 0; y < h; ++y) {
        const unsigned char* r = rows[y];
        for (png_uint_32 x = 0; x < w; ++x) {
            unsigned v[4] = {0, 0, 0, 255};
            for (int s = 0; s < channels; ++s) {
                const unsigned char* p = r + ((size_t)x * channels + s) * (wide ? 2 : 1);
                v[s] = wide ? ((unsigned)p[0] << 8 | p[1]) * 255u / 65535u : p[0];
            }
            unsigned char px[4] = {0, 0, 0, 255};
            if (type == 0 || type == 4) {
                px[0] = px[1] = px[2] = (unsigned char)v[0];
            } else {
                /* RGB, RGBA, and palette images as libpng expanded them (with
                   a fourth channel from tRNS, which is not alpha here). */
                for (int c = 0; c < 3; ++c) px[c] = (unsigned char)v[c];
                if (type == 6) px[3] = (unsigned char)v[3];
            }
            if (haveGamma)
                for (int c = 0; c < 3; ++c) px[c] = gammaTable[px[c]];
            fwrite(px, 1, 4, out);
        }
    }
    fclose(out);
    fprintf(manifest, "%s %u %u %d\n", name, (unsigned)w, (unsigned)h, bits);
    for (png_uint_32 y = 0; y < h; ++y) free(rows[y]);
    free(rows);
    png_destroy_read_struct(&png, &info, NULL);
    fclose(f);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s PNGSUITE_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    DIR* d = opendir(argv[1]);
    if (!d) return 1;
    char* names[1024];
    int n = 0;
    struct dirent* e;
    while ((e = readdir(d)) && n < 1024) {
        size_t len = strlen(e->d_name);
        if (len > 4 && strcmp(e->d_name + len - 4, ".png") == 0) names[n++] = strdup(e->d_name);
    }
    closedir(d);
    qsort(names, (size_t)n, sizeof *names, cmp);
    char path[4096], out[4096];
    snprintf(path, sizeof path, "%s/manifest.txt", argv[2]);
    FILE* manifest = fopen(path, "w");
    snprintf(path, sizeof path, "%s/refused.txt", argv[2]);
    FILE* refused = fopen(path, "w");
    if (!manifest || !refused) return 1;
    for (int i = 0; i < n; ++i) {
        char base[512];
        snprintf(base, sizeof base, "%.*s", (int)(strlen(names[i]) - 4), names[i]);
        snprintf(path, sizeof path, "%s/%s", argv[1], names[i]);
        snprintf(out, sizeof out, "%s/%s.rgba", argv[2], base);
        if (convert(path, out, manifest, base) != 0) {
            remove(out);
            fprintf(refused, "%s\n", base);
        }
        free(names[i]);
    }
    fclose(manifest);
    fclose(refused);
    return 0;
}
