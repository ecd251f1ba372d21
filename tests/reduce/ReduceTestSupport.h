#pragma once

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "reduce/ColorLookup.h"
#include "reduce/Palette.h"

namespace reducetest {

// A 24-bit picture of random colours around a random base, spread over up to `spread` levels
// per channel (random when negative): narrow spreads give repeats and colours that share
// long paths through the colour tree, wide ones many distinct colours.
inline QImage RandomPicture(std::mt19937& rng, int width, int height, int spread = -1) {
    QImage picture(width, height, QImage::Format_BGR888);
    std::uniform_int_distribution<int> byte(0, 255);
    if (spread < 0) spread = std::uniform_int_distribution<int>(0, 255)(rng);
    const int baseR = byte(rng), baseG = byte(rng), baseB = byte(rng);
    std::uniform_int_distribution<int> jitter(-spread / 2, spread / 2);
    auto channel = [&](int base) { return std::clamp(base + jitter(rng), 0, 255); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(channel(baseR), channel(baseG), channel(baseB)));
    return picture;
}

// Colours close around a number of random centres: many colours that differ in their last
// bits only, so that folds take several leaves at once.
inline QImage ClusteredPicture(std::mt19937& rng, int width, int height, int centres) {
    std::vector<QRgb> centre(centres);
    for (QRgb& c : centre)
        c = rng() & 0xFCFCFC;
    std::uniform_int_distribution<int> pick(0, centres - 1), jitter(0, 3);
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb c = centre[pick(rng)];
            picture.setPixel(
                x, y, qRgb(qRed(c) + jitter(rng), qGreen(c) + jitter(rng), qBlue(c) + jitter(rng)));
        }
    return picture;
}

inline TPalette RandomPalette(std::mt19937& rng, int count) {
    TPalette palette;
    palette.count = count;
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < count; ++i)
        palette.entries[i] = {std::uint8_t(byte(rng)), std::uint8_t(byte(rng)),
                              std::uint8_t(byte(rng)), 0};
    return palette;
}

inline TPalette PaletteOf(std::initializer_list<TPaletteEntry> entries) {
    TPalette palette;
    for (const TPaletteEntry& e : entries)
        palette.entries[palette.count++] = e;
    return palette;
}

// Plain serpentine Floyd-Steinberg the textbook way: one full array of error sums in
// sixteenths per channel; each pixel takes (sum + 8) / 16, truncated, then clamps.
inline std::vector<std::uint8_t> TextbookFloydSteinberg(const QImage& picture,
                                                        TColorLookup& lookup) {
    const int w = picture.width(), h = picture.height();
    std::vector<int> error(static_cast<std::size_t>(w) * h * 3, 0);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h);
    auto add = [&](int x, int y, int c, int amount) {
        if (x >= 0 && x < w && y < h)
            error[(static_cast<std::size_t>(y) * w + x) * 3 + c] += amount;
    };
    for (int y = 0; y < h; ++y) {
        const int dir = y % 2 == 0 ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir == 1 ? i : w - 1 - i;
            const QRgb rgb = picture.pixel(x, y);
            const int value[3] = {qRed(rgb), qGreen(rgb), qBlue(rgb)};
            std::uint8_t t[3], p[3];
            for (int c = 0; c < 3; ++c) {
                const int sum = error[(static_cast<std::size_t>(y) * w + x) * 3 + c] + 8;
                t[c] = std::uint8_t(std::clamp(value[c] + sum / 16, 0, 255));
            }
            indices[static_cast<std::size_t>(y) * w + x] =
                lookup.MapColor(t[0], t[1], t[2], p[0], p[1], p[2]);
            for (int c = 0; c < 3; ++c) {
                const int e = t[c] - p[c];
                add(x + dir, y, c, 7 * e);
                add(x - dir, y + 1, c, 3 * e);
                add(x, y + 1, c, 5 * e);
                add(x + dir, y + 1, c, e);
            }
        }
    }
    return indices;
}

// Answers every colour with one fixed palette colour (index 0) and records what it was
// asked, so tests can see the corrected values a ditherer computes.
class RecordingLookup : public TColorLookup {
public:
    explicit RecordingLookup(std::uint8_t answer) : Answer(answer) { Entries = 1; }
    std::uint8_t MapColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                          std::uint8_t& outG, std::uint8_t& outB) override {
        Asked.push_back(r);
        (void)g;
        (void)b;
        outR = outG = outB = Answer;
        return 0;
    }
    std::uint8_t Answer;
    std::vector<int> Asked; // red channel of every request
};

} // namespace reducetest
