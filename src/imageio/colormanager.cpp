#include "imageio/colormanager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageio/imageerrors.h"

namespace vt {

namespace {

bool indexedLikeSource(TColorModel m) {
    return m == TColorModel::Indexed || m == TColorModel::Grey || m == TColorModel::GreyAlpha;
}
bool indexedLikeTarget(TColorModel m) {
    return m == TColorModel::Indexed || m == TColorModel::Grey;
}
bool hasAlpha(TColorModel m) {
    return m == TColorModel::GreyAlpha || m == TColorModel::RGBA || m == TColorModel::BGRA;
}
bool rgbLike(TColorModel m) {
    return m == TColorModel::RGB || m == TColorModel::RGBA || m == TColorModel::BGR ||
           m == TColorModel::BGRA;
}
bool redFirst(TColorModel m) {
    return m == TColorModel::RGB || m == TColorModel::RGBA;
}

std::uint8_t clampByte(int v) {
    return std::uint8_t(std::clamp(v, 0, 255));
}

// Samples of one pixel in the source model; the model decides where it
// fixes the count, the declared samples per pixel otherwise.
int modelSamples(TColorModel m, int declared) {
    switch (m) {
    case TColorModel::GreyAlpha:
        return 2;
    case TColorModel::RGB:
    case TColorModel::BGR:
    case TColorModel::CIELab:
    case TColorModel::YCbCr:
    case TColorModel::PhotoYCC:
        return 3;
    case TColorModel::RGBA:
    case TColorModel::BGRA:
    case TColorModel::CMYK:
        return 4;
    default:
        return declared;
    }
}

// Whether pixel x of a row receives a source pixel under the mask.
inline bool maskHit(std::uint8_t mask, std::size_t x) {
    return (mask & (0x80u >> (x & 7))) != 0;
}

} // namespace

TColorManager::TColorManager() {
    buildGammaTable();
}

void TColorManager::SetSourceBitsPerSample(std::uint8_t bits) {
    if (bits == 0 || bits > 16) throw EColorConversionError(gesInvalidSampleDepth);
    if (sourceBPS_ != bits) changed_ = true;
    sourceBPS_ = bits;
}
void TColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
    if (bits == 0 || bits > 16) throw EColorConversionError(gesInvalidSampleDepth);
    if (targetBPS_ != bits) changed_ = true;
    targetBPS_ = bits;
}
void TColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
    if (samples == 0 || samples > 4) throw EColorConversionError(gesInvalidPixelDepth);
    if (sourceSPP_ != samples) changed_ = true;
    sourceSPP_ = samples;
}
void TColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
    if (samples == 0 || samples > 4) throw EColorConversionError(gesInvalidPixelDepth);
    if (targetSPP_ != samples) changed_ = true;
    targetSPP_ = samples;
}
void TColorManager::SetSourceColorScheme(TColorModel model) {
    if (sourceScheme_ != model) changed_ = true;
    sourceScheme_ = model;
}
void TColorManager::SetTargetColorScheme(TColorModel model) {
    if (targetScheme_ != model) changed_ = true;
    targetScheme_ = model;
}
void TColorManager::SetSourceOptions(TConvertOptions options) {
    if (!(sourceOptions_ == options)) changed_ = true;
    sourceOptions_ = options;
}
void TColorManager::SetTargetOptions(TConvertOptions options) {
    if (!(targetOptions_ == options)) changed_ = true;
    targetOptions_ = options;
}

void TColorManager::SetGammaValues(float display, float main) {
    mainGamma_ = main <= 0 ? 1.0f : main;
    displayGamma_ = display <= 0 ? 2.2f : display;
    buildGammaTable();
    changed_ = true;
}

void TColorManager::SetYCbCrSetup(std::span<const float> coefficients, std::uint8_t horizontal,
                                  std::uint8_t vertical) {
    auto valid = [](std::uint8_t v) { return v == 1 || v == 2 || v == 4; };
    if (!valid(horizontal) || !valid(vertical)) throw EColorConversionError(gesInvalidSubSampling);
    if (vertical > horizontal) throw EColorConversionError(gesVerticalSubSamplingError);
    for (std::size_t i = 0; i < coefficients.size() && i < 3; ++i)
        yCbCrCoefficients_[i] = coefficients[i];
    subsampling_ = {horizontal, vertical};
    changed_ = true;
}

std::optional<PixelFormat> TColorManager::PixelFormatFor() const {
    int bits = targetBPS_;
    switch (targetSPP_) {
    case 1:
        if (bits == 1) return PixelFormat::pf1bit;
        if (bits >= 2 && bits <= 4) return PixelFormat::pf4bit;
        if (bits >= 8 && bits <= 16) return PixelFormat::pf8bit;
        return std::nullopt;
    case 3:
        if (bits >= 1 && bits <= 5) return PixelFormat::pf15bit;
        return PixelFormat::pf24bit;
    case 4:
        if (bits >= 8) return PixelFormat::pf32bit;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void TColorManager::buildGammaTable() {
    int c = sourceBPS_ < 8 ? (1 << targetBPS_) - 1 : 255;
    int t = targetBPS_ < 8 ? (1 << targetBPS_) - 1 : 255;
    c = std::clamp(c, 1, 255);
    double exponent = 1.0 / (double(mainGamma_) * double(displayGamma_));
    for (int i = 0; i < 256; ++i) {
        if (i > c) {
            gammaTable_[std::size_t(i)] = std::uint8_t(t);
            continue;
        }
        double v = std::pow(double(i) / double(c), exponent) * double(t);
        gammaTable_[std::size_t(i)] = std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
    }
    gammaMax_ = std::uint8_t(c);
}

std::uint8_t TColorManager::gammaOf8(std::uint8_t v) const {
    return gammaMax_ == 255 ? gammaTable_[v] : gammaTable_[v * gammaMax_ / 255];
}

std::vector<TColor> TColorManager::MakeGreyPalette(bool inverted) const {
    int bits = std::min(int(targetBPS_) * int(targetSPP_), 8);
    int entries = 1 << bits;
    int step = 255 / std::max(entries - 1, 1);
    bool gamma = targetOptions_.Contains(TConvertOption::ApplyGamma);
    std::vector<TColor> palette(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        std::uint8_t v = std::uint8_t(i * step);
        if (gamma) v = gammaOf8(v);
        palette[std::size_t(inverted ? entries - 1 - i : i)] = RGBColor(v, v, v);
    }
    return palette;
}

std::vector<TColor> TColorManager::MakeFilePalette(std::span<const std::uint8_t* const> buffers,
                                                   TPaletteLayout layout, std::size_t entries,
                                                   TPaletteOptions options) const {
    bool gamma = targetOptions_.Contains(TConvertOption::ApplyGamma) ||
                 options.Contains(TPaletteOption::ApplyGamma);
    bool planar = layout == TPaletteLayout::Planar8 || layout == TPaletteLayout::Planar16;
    if (buffers.size() < (planar ? 3u : 1u)) throw EColorConversionError(gesConversionUnsupported);
    std::vector<TColor> palette(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        int r = 0, g = 0, b = 0;
        const std::uint8_t* p = buffers[0];
        switch (layout) {
        case TPaletteLayout::RGB:
            r = p[3 * i], g = p[3 * i + 1], b = p[3 * i + 2];
            break;
        case TPaletteLayout::BGR:
            b = p[3 * i], g = p[3 * i + 1], r = p[3 * i + 2];
            break;
        case TPaletteLayout::BGRx:
            b = p[4 * i], g = p[4 * i + 1], r = p[4 * i + 2];
            break;
        case TPaletteLayout::RGBx:
            r = p[4 * i], g = p[4 * i + 1], b = p[4 * i + 2];
            break;
        case TPaletteLayout::Planar8:
            r = buffers[0][i], g = buffers[1][i], b = buffers[2][i];
            break;
        case TPaletteLayout::Planar16: {
            bool be = options.Contains(TPaletteOption::BigEndian);
            auto get = [&](const std::uint8_t* plane) {
                unsigned lo = plane[2 * i], hi = plane[2 * i + 1];
                unsigned v = be ? (lo << 8) | hi : (hi << 8) | lo;
                return int(v * 255 / 65535);
            };
            r = get(buffers[0]), g = get(buffers[1]), b = get(buffers[2]);
            break;
        }
        }
        if (gamma) {
            r = gammaOf8(std::uint8_t(r));
            g = gammaOf8(std::uint8_t(g));
            b = gammaOf8(std::uint8_t(b));
        }
        palette[i] = RGBColor(r, g, b);
    }
    return palette;
}

void TColorManager::buildChromaTables(int offsetRed, int offsetBlue) {
    double kr = yCbCrCoefficients_[0], kg = yCbCrCoefficients_[1], kb = yCbCrCoefficients_[2];
    if (kg == 0) kg = 1e-6;
    double fr = 2 - 2 * kr, fb = 2 - 2 * kb;
    for (int i = 0; i < 256; ++i) {
        std::size_t k = std::size_t(i);
        crToRed_[k] = int(std::lround(fr * (i - offsetRed)));
        cbToBlue_[k] = int(std::lround(fb * (i - offsetBlue)));
        crToGreen_[k] = -int(std::lround(kr * fr / kg * (i - offsetRed)));
        cbToGreen_[k] = -int(std::lround(kb * fb / kg * (i - offsetBlue)));
    }
}

void TColorManager::prepare() {
    routine_ = nullptr;
    if (indexedLikeSource(sourceScheme_) != indexedLikeTarget(targetScheme_))
        throw EColorConversionError(gesIndexedNotSupported);
    sourceOptions_.Set(TConvertOption::AlphaPresent, hasAlpha(sourceScheme_));
    targetOptions_.Set(TConvertOption::AlphaPresent, hasAlpha(targetScheme_));

    auto sourceBits = [&](std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), int(sourceBPS_)) != allowed.end();
    };
    bool colourTarget = rgbLike(targetScheme_) && targetBPS_ == 8 &&
                        targetSPP_ == (hasAlpha(targetScheme_) ? 4 : 3);

    switch (sourceScheme_) {
    case TColorModel::Indexed:
        if (targetScheme_ == TColorModel::Indexed && targetBPS_ <= 8)
            routine_ = &TColorManager::repack;
        break;
    case TColorModel::Grey:
        if (targetBPS_ > 8) break;
        if (sourceBPS_ < 16 && targetBPS_ < 16 && !(sourceBPS_ > 8))
            routine_ = &TColorManager::repack;
        else if (sourceBPS_ == 16 && targetBPS_ == 8)
            routine_ = &TColorManager::greyCopy;
        break;
    case TColorModel::GreyAlpha:
        if (sourceBits({8, 16}) && targetBPS_ == 8) routine_ = &TColorManager::greyCopy;
        break;
    case TColorModel::RGB:
    case TColorModel::RGBA:
    case TColorModel::BGR:
    case TColorModel::BGRA:
        if (colourTarget && sourceBits({5, 8, 16})) routine_ = &TColorManager::rgbConvert;
        break;
    case TColorModel::CMYK:
        if (colourTarget && sourceBits({8, 16})) routine_ = &TColorManager::cmykConvert;
        break;
    case TColorModel::CIELab:
        if (colourTarget && sourceBits({8, 16})) routine_ = &TColorManager::labConvert;
        break;
    case TColorModel::YCbCr:
        if (colourTarget && sourceBPS_ == 8) {
            buildChromaTables(128, 128);
            routine_ = &TColorManager::yccConvert;
        }
        break;
    case TColorModel::PhotoYCC:
        if (colourTarget && sourceBPS_ == 8) {
            buildChromaTables(137, 156);
            routine_ = &TColorManager::yccConvert;
        }
        break;
    default:
        break;
    }
    if (!routine_) throw EColorConversionError(gesConversionUnsupported);
    changed_ = false;
}

void TColorManager::ConvertLine(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                                std::size_t width, std::uint8_t* target) {
    if (changed_ || !routine_) prepare();
    if (sources.empty() || width == 0 || mask == 0) return;
    (this->*routine_)(sources, mask, width, target);
}

// Indexed and low-depth grey samples: values read most significant bits
// first at the source depth, written at the target depth. Grey levels are
// scaled to the target's range (2-bit 3 becomes 4-bit 15); palette indexes
// keep their values when the target holds them (2-bit index 3 stays entry
// 3 of the palette), and only wider indexes are scaled down.
void TColorManager::repack(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                           std::size_t width, std::uint8_t* target) {
    const unsigned s = sourceBPS_, t = targetBPS_;
    const std::uint8_t* src = sources[0];
    // Bits a target pixel occupies in the bitmap format PixelFormatFor names:
    // 2 and 3-bit values are stored in 4-bit pixels.
    const unsigned store = t == 1 ? 1 : t <= 4 ? 4 : 8;
    const std::uint32_t storeMask = (1u << store) - 1;
    if (s == t && t == store && mask == 0xFF) {
        std::memcpy(target, src, (width * s + 7) / 8);
        return;
    }
    const std::uint32_t sMax = (1u << s) - 1, tMax = (1u << t) - 1;
    const bool keepValues = s == t || (sourceScheme_ == TColorModel::Indexed && s < t);
    std::size_t bitPos = 0; // in the source
    for (std::size_t x = 0; x < width; ++x) {
        if (!maskHit(mask, x)) continue;
        std::uint32_t v;
        if (s == 16) {
            v = (std::uint32_t(src[bitPos / 8]) << 8) | src[bitPos / 8 + 1];
        } else if (s == 8) {
            v = src[bitPos / 8];
        } else {
            unsigned shift = 8 - s - unsigned(bitPos % 8);
            v = (src[bitPos / 8] >> shift) & sMax;
        }
        bitPos += s;
        std::uint32_t out = keepValues ? v : v * tMax / sMax;
        if (store == 8) {
            target[x] = std::uint8_t(out);
        } else {
            std::size_t tBit = x * store;
            unsigned shift = 8 - store - unsigned(tBit % 8);
            std::uint8_t& byte = target[tBit / 8];
            byte = std::uint8_t((byte & ~(storeMask << shift)) | (out << shift));
        }
    }
}

// Grey (with or without alpha) of 8 or 16 bits into 8-bit grey or index
// values; a source alpha is skipped.
void TColorManager::greyCopy(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                             std::size_t width, std::uint8_t* target) {
    const bool wide = sourceBPS_ == 16;
    const bool swap = sourceOptions_.Contains(TConvertOption::SwapBytes);
    const std::size_t bytes = wide ? 2 : 1;
    const bool planar = sources.size() > 1;
    const std::size_t step =
        planar ? bytes : bytes * std::size_t(modelSamples(sourceScheme_, sourceSPP_));
    const std::uint8_t* src = sources[0];
    for (std::size_t x = 0; x < width; ++x) {
        if (!maskHit(mask, x)) continue;
        if (wide) {
            unsigned v = swap ? (unsigned(src[0]) << 8) | src[1] : (unsigned(src[1]) << 8) | src[0];
            target[x] = std::uint8_t(v * 255 / 65535);
        } else {
            target[x] = src[0];
        }
        src += step;
    }
}

namespace {

// Reads the samples of one pixel as 8-bit values, interleaved or planar.
struct SampleReader {
    std::span<const std::uint8_t* const> sources;
    int bits;  // 5, 8 or 16
    int count; // samples per pixel in an interleaved buffer
    bool swap;
    std::size_t index = 0; // next source pixel

    // Fetches pixel `index` into out[0..count-1] and moves on.
    void next(std::uint8_t* out) {
        if (bits == 5) {
            const std::uint8_t* p = sources[0] + 2 * index;
            unsigned v = swap ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
            auto widen = [](unsigned c) { return std::uint8_t((c << 3) | (c >> 2)); };
            out[0] = widen((v >> 10) & 31);
            out[1] = widen((v >> 5) & 31);
            out[2] = widen(v & 31);
            out[3] = (v & 0x8000) ? 255 : 0;
        } else if (sources.size() > 1) {
            for (int s = 0; s < count && std::size_t(s) < sources.size(); ++s)
                out[s] = get(sources[std::size_t(s)], index);
        } else {
            for (int s = 0; s < count; ++s)
                out[s] = get(sources[0], index * std::size_t(count) + std::size_t(s));
        }
        ++index;
    }
    std::uint8_t get(const std::uint8_t* base, std::size_t sample) const {
        if (bits == 8) return base[sample];
        const std::uint8_t* p = base + 2 * sample;
        unsigned v = swap ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
        return std::uint8_t(v * 255 / 65535);
    }
};

} // namespace

// RGB(A) and BGR(A) sources into RGB(A) and BGR(A) targets of 8 bits, each
// component through the gamma table when asked.
void TColorManager::rgbConvert(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                               std::size_t width, std::uint8_t* target) {
    const bool gamma = targetOptions_.Contains(TConvertOption::ApplyGamma);
    const bool srcAlpha = hasAlpha(sourceScheme_);
    const bool dstAlpha = hasAlpha(targetScheme_);
    const int sCount = srcAlpha ? 4 : 3;
    const std::size_t tStep = dstAlpha ? 4 : 3;
    const bool swapOrder = redFirst(sourceScheme_) != redFirst(targetScheme_);
    const std::uint8_t* g = gammaTable_.data();

    // The common case: 8-bit interleaved samples, every pixel.
    if (sourceBPS_ == 8 && sources.size() == 1 && mask == 0xFF && gammaMax_ == 255) {
        const std::uint8_t* s = sources[0];
        const int a = swapOrder ? 2 : 0, c = swapOrder ? 0 : 2;
        if (!gamma) {
            for (std::size_t x = 0; x < width; ++x, s += sCount, target += tStep) {
                target[0] = s[a];
                target[1] = s[1];
                target[2] = s[c];
                if (dstAlpha) target[3] = srcAlpha ? s[3] : 0xFF;
            }
        } else {
            for (std::size_t x = 0; x < width; ++x, s += sCount, target += tStep) {
                target[0] = g[s[a]];
                target[1] = g[s[1]];
                target[2] = g[s[c]];
                if (dstAlpha) target[3] = srcAlpha ? s[3] : 0xFF;
            }
        }
        return;
    }
    // 8-bit planes, one buffer per sample (SGI, PCX, Photoshop), every pixel.
    if (sourceBPS_ == 8 && sources.size() >= std::size_t(sCount) && mask == 0xFF &&
        gammaMax_ == 255) {
        const std::uint8_t* first = sources[swapOrder ? 2 : 0];
        const std::uint8_t* second = sources[1];
        const std::uint8_t* third = sources[swapOrder ? 0 : 2];
        const std::uint8_t* alpha = srcAlpha ? sources[3] : nullptr;
        for (std::size_t x = 0; x < width; ++x, target += tStep) {
            target[0] = gamma ? g[first[x]] : first[x];
            target[1] = gamma ? g[second[x]] : second[x];
            target[2] = gamma ? g[third[x]] : third[x];
            if (dstAlpha) target[3] = alpha ? alpha[x] : 0xFF;
        }
        return;
    }

    SampleReader reader{sources, sourceBPS_, sourceBPS_ == 5 ? 4 : sCount,
                        sourceOptions_.Contains(TConvertOption::SwapBytes)};
    std::uint8_t px[4] = {0, 0, 0, 255};
    for (std::size_t x = 0; x < width; ++x, target += tStep) {
        if (!maskHit(mask, x)) continue;
        reader.next(px);
        std::uint8_t r = px[swapOrder ? 2 : 0], gr = px[1], b = px[swapOrder ? 0 : 2];
        if (gamma) r = gammaOf8(r), gr = gammaOf8(gr), b = gammaOf8(b);
        target[0] = r;
        target[1] = gr;
        target[2] = b;
        if (dstAlpha) target[3] = srcAlpha || sourceBPS_ == 5 ? px[3] : 0xFF;
    }
}

// Order of the components in the target: red first or blue first.
#define VT_STORE_RGB(target, r, g, b)                                                              \
    do {                                                                                           \
        if (redFirst(targetScheme_)) {                                                             \
            (target)[0] = (r), (target)[1] = (g), (target)[2] = (b);                               \
        } else {                                                                                   \
            (target)[0] = (b), (target)[1] = (g), (target)[2] = (r);                               \
        }                                                                                          \
        if (tStep == 4) (target)[3] = 0xFF;                                                        \
    } while (false)

void TColorManager::cmykConvert(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                                std::size_t width, std::uint8_t* target) {
    const std::size_t tStep = hasAlpha(targetScheme_) ? 4 : 3;
    SampleReader reader{sources, sourceBPS_, 4, sourceOptions_.Contains(TConvertOption::SwapBytes)};
    std::uint8_t px[4];
    for (std::size_t x = 0; x < width; ++x, target += tStep) {
        if (!maskHit(mask, x)) continue;
        reader.next(px);
        int k = px[3];
        auto channel = [k](int c) { return clampByte(255 - c - k + c * k / 255); };
        VT_STORE_RGB(target, channel(px[0]), channel(px[1]), channel(px[2]));
    }
}

void TColorManager::labConvert(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                               std::size_t width, std::uint8_t* target) {
    const std::size_t tStep = hasAlpha(targetScheme_) ? 4 : 3;
    const bool byteRange = sourceOptions_.Contains(TConvertOption::LabByteRange);
    const bool offset = sourceOptions_.Contains(TConvertOption::LabChromaOffset);
    SampleReader reader{sources, sourceBPS_, 3, sourceOptions_.Contains(TConvertOption::SwapBytes)};
    std::uint8_t px[4];
    auto finv = [](double t) {
        return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29);
    };
    auto encode = [](double c) {
        c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
        return clampByte(int(std::lround(c * 255)));
    };
    for (std::size_t x = 0; x < width; ++x, target += tStep) {
        if (!maskHit(mask, x)) continue;
        reader.next(px);
        double L = byteRange ? px[0] * 100.0 / 255 : std::min<double>(px[0], 100);
        double a = offset ? px[1] - 128.0 : double(std::int8_t(px[1]));
        double b = offset ? px[2] - 128.0 : double(std::int8_t(px[2]));
        double fy = (L + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
        // D65 white point.
        double X = 0.95047 * finv(fx), Y = finv(fy), Z = 1.08883 * finv(fz);
        double r = 3.2404542 * X - 1.5371385 * Y - 0.4985314 * Z;
        double g = -0.9692660 * X + 1.8760108 * Y + 0.0415560 * Z;
        double bl = 0.0556434 * X - 0.2040259 * Y + 1.0572252 * Z;
        VT_STORE_RGB(target, encode(r), encode(g), encode(bl));
    }
}

// YCbCr and PhotoYCC through the chroma tables. With horizontal subsampling
// h, the source holds units of h x v luminance values followed by Cb and
// Cr; a row takes the first h luminance values of each unit.
void TColorManager::yccConvert(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                               std::size_t width, std::uint8_t* target) {
    const std::size_t tStep = hasAlpha(targetScheme_) ? 4 : 3;
    const bool photo = sourceScheme_ == TColorModel::PhotoYCC;
    auto luma = [photo](int y) { return photo ? int(std::lround(y * 1.3584)) : y; };
    auto store = [&](std::uint8_t* t, int y, int cb, int cr) {
        y = luma(y);
        std::uint8_t r = clampByte(y + crToRed_[std::size_t(cr)]);
        std::uint8_t g = clampByte(y + cbToGreen_[std::size_t(cb)] + crToGreen_[std::size_t(cr)]);
        std::uint8_t b = clampByte(y + cbToBlue_[std::size_t(cb)]);
        VT_STORE_RGB(t, r, g, b);
    };
    if (sources.size() >= 3) { // planes
        std::size_t k = 0;
        for (std::size_t x = 0; x < width; ++x, target += tStep) {
            if (!maskHit(mask, x)) continue;
            store(target, sources[0][k], sources[1][k], sources[2][k]);
            ++k;
        }
        return;
    }
    const std::size_t h = subsampling_[0], v = subsampling_[1];
    const std::uint8_t* s = sources[0];
    if (h == 1 && v == 1) {
        for (std::size_t x = 0; x < width; ++x, target += tStep) {
            if (!maskHit(mask, x)) continue;
            store(target, s[0], s[1], s[2]);
            s += 3;
        }
        return;
    }
    const std::size_t unit = h * v + 2;
    for (std::size_t x = 0; x < width; ++x, target += tStep) {
        std::size_t u = x / h;
        const std::uint8_t* p = s + u * unit;
        store(target, p[x % h], p[h * v], p[h * v + 1]);
    }
}

#undef VT_STORE_RGB

} // namespace vt
