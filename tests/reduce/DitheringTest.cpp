#include <gtest/gtest.h>

#include "ReduceTestSupport.h"
#include "reduce/DitherEngine.h"
#include "reduce/FastColorLookup.h"
#include "reduce/FloydSteinbergDitherer.h"

using namespace reducetest;

namespace {

// Runs a ditherer over a grey picture given as rows of values, in the calling order that
// reduction uses, and returns the indices in picture order.
std::vector<int> RunGrey(TDitherEngine& ditherer, const std::vector<std::vector<int>>& rows) {
    const int w = ditherer.RowWidth();
    std::vector<int> indices(rows.size() * w, -1);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        std::uint8_t r, g, b;
        for (int c = ditherer.Column(); c >= 0 && c < w; c = ditherer.Column()) {
            const auto v = std::uint8_t(rows[y][c]);
            indices[y * w + c] = ditherer.DitherPixel(v, v, v, r, g, b);
        }
        ditherer.NextRow();
    }
    return indices;
}

} // namespace

TEST(FloydSteinberg, SharesSumsAndDirectionsFollowTheKernel) {
    // Against black every error is the corrected value itself. Row 0 runs left to right;
    // row 1 starts at its last column, which gets 5/16 and 1/16 from above and no carry.
    RecordingLookup black(0);
    TFloydSteinbergDitherer fs(3, black);
    RunGrey(fs, {{16, 32, 48}, {0, 0, 0}});
    // 32 + (7*16+8)/16 = 39; 48 + (7*39+8)/16 = 65; (5*65 + 39 + 8)/16 = 23;
    // (3*65 + 5*39 + 16 + 7*23 + 8)/16 = 35; (3*39 + 5*16 + 7*35 + 8)/16 = 28.
    EXPECT_EQ(black.Asked, (std::vector<int>{16, 39, 65, 23, 35, 28}));

    // Whole rows at once give the same.
    RecordingLookup byRows(0);
    TFloydSteinbergDitherer rows(3, byRows);
    const std::uint8_t picture[2][9] = {{16, 16, 16, 32, 32, 32, 48, 48, 48}, {}};
    std::uint8_t indices[3];
    for (const auto& row : picture) {
        rows.DitherRow(row, indices);
        rows.NextRow();
    }
    EXPECT_EQ(byRows.Asked, black.Asked);
}

TEST(FloydSteinberg, RowWidthOneTruncationAndClamping) {
    // Width 1: only the 5/16 share reaches the pixel below; sums truncate toward zero.
    RecordingLookup white(255);
    TFloydSteinbergDitherer column(1, white);
    RunGrey(column, {{250}, {100}, {100}});
    // e = -5: (5*-5 + 8)/16 = -17/16 = -1 (not -2); then e = -156: (-780+8)/16 = -48.
    EXPECT_EQ(white.Asked, (std::vector<int>{250, 99, 52}));

    // 250 + (7*50+8)/16 = 272 is clamped to 255 before the lookup, and the error passed on
    // is 255 - 200 = 55, so the third pixel gets (385+8)/16 = 24 rather than 32.
    RecordingLookup grey(200);
    TFloydSteinbergDitherer row(3, grey);
    RunGrey(row, {{250, 250, 100}});
    EXPECT_EQ(grey.Asked, (std::vector<int>{250, 255, 124}));
}

TEST(FloydSteinberg, ExactPaletteColoursSpreadNoError) {
    TPalette palette = PaletteOf({{0, 0, 0, 0}, {90, 140, 200, 0}, {255, 255, 255, 0}});
    TFastColorLookup lookup(&palette);
    TFloydSteinbergDitherer fs(5, lookup);
    std::uint8_t r, g, b;
    for (int y = 0; y < 4; ++y) {
        for (int c = fs.Column(); c >= 0 && c < 5; c = fs.Column()) {
            ASSERT_EQ(fs.DitherPixel(90, 140, 200, r, g, b), 1);
            ASSERT_EQ(qRgb(r, g, b), qRgb(90, 140, 200));
        }
        fs.NextRow();
    }
}

TEST(FloydSteinberg, MatchesTextbookVersionOnRandomPictures) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        const int w = std::uniform_int_distribution<int>(1, 48)(rng);
        const int h = std::uniform_int_distribution<int>(1, 49)(rng);
        const QImage picture = RandomPicture(rng, w, h);
        const TPalette palette =
            RandomPalette(rng, std::uniform_int_distribution<int>(1, 256)(rng));
        // Two lookups on the same palette fill their caches alike when asked alike.
        TFastColorLookup forOracle(&palette), forDitherer(&palette);
        const std::vector<std::uint8_t> expected = TextbookFloydSteinberg(picture, forOracle);

        TFloydSteinbergDitherer fs(w, forDitherer);
        std::uint8_t r, g, b;
        for (int y = 0; y < h; ++y) {
            for (int x = fs.Column(); x >= 0 && x < w; x = fs.Column()) {
                const QRgb rgb = picture.pixel(x, y);
                const int index = fs.DitherPixel(qRed(rgb), qGreen(rgb), qBlue(rgb), r, g, b);
                ASSERT_EQ(index, expected[y * w + x])
                    << "round " << round << " at " << x << "," << y << " of " << w << "x" << h;
            }
            fs.NextRow();
        }
    }
}

TEST(DitherEngine, NearestColourInSerpentineOrderAndGuardsTheRow) {
    RecordingLookup lookup(0);
    TDitherEngine nearest(3, lookup);
    RunGrey(nearest, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    EXPECT_EQ(lookup.Asked, (std::vector<int>{1, 2, 3, 6, 5, 4, 7, 8, 9}));

    TFloydSteinbergDitherer fs(2, lookup);
    std::uint8_t r, g, b;
    fs.DitherPixel(1, 1, 1, r, g, b);
    fs.DitherPixel(1, 1, 1, r, g, b);
    EXPECT_THROW(fs.DitherPixel(1, 1, 1, r, g, b), std::out_of_range);
}
