#include <gtest/gtest.h>

#include "ReduceTestSupport.h"
#include "reduce/ColorQuantizer.h"
#include "reduce/DIB.h"
#include "reduce/FastColorLookup.h"
#include "reduce/GraphicErrors.h"
#include "reduce/Reduce.h"

using namespace reducetest;

namespace {

constexpr int Octree = ReductionMethod::Octree;
constexpr int FS = DitherMethod::FloydSteinberg;

QList<QRgb> ExpectedTable(const TPalette& palette) {
    QList<QRgb> table(256, qRgb(0, 0, 0));
    for (int i = 0; i < palette.EntryCount(); ++i)
        table[i] = qRgb(palette.entries[i].red, palette.entries[i].green, palette.entries[i].blue);
    return table;
}

} // namespace

TEST(MakeIndexedBitmap, MatchesOctreePaletteAndTextbookDitheringOnRandomPictures) {
    std::mt19937 rng(99);
    for (int round = 0; round < 60; ++round) {
        const int bits = round % 2 == 0 ? 4 : 8;
        QImage source = RandomPicture(rng, std::uniform_int_distribution<int>(1, 48)(rng),
                                      std::uniform_int_distribution<int>(1, 49)(rng));
        QImage copy = source.copy();
        TDIBReader reader(copy, 24);
        const TPalette palette = BuildOctreePalette(reader, 1 << bits);
        TFastColorLookup lookup(&palette);
        const std::vector<std::uint8_t> expected = TextbookFloydSteinberg(copy, lookup);

        const QImage result = MakeIndexedBitmap(source, Octree, FS, bits, nullptr);
        ASSERT_EQ(result.format(), QImage::Format_Indexed8);
        ASSERT_EQ(result.size(), source.size());
        EXPECT_EQ(result.colorTable(), ExpectedTable(palette));
        EXPECT_EQ(ImportantColors(result), 1 << bits);
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                ASSERT_EQ(result.pixelIndex(x, y), expected[y * result.width() + x]);
    }
}

TEST(MakeIndexedBitmap, SixteenColoursKeepATableOf256AndIndicesBelow16) {
    std::mt19937 rng(4);
    QImage source = RandomPicture(rng, 48, 48);
    const QImage result = MakeIndexedBitmap(source, Octree, FS, 4, nullptr);
    ASSERT_EQ(result.colorTable().size(), 256);
    for (int i = 16; i < 256; ++i)
        ASSERT_EQ(result.color(i), qRgb(0, 0, 0));
    EXPECT_EQ(ImportantColors(result), 16);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_LT(result.pixelIndex(x, y), 16);
}

TEST(MakeIndexedBitmap, ConvertsTheSourceAndKeepsItsSize) {
    QImage small(1, 1, QImage::Format_Indexed8);
    small.setColorTable({qRgb(12, 34, 56)});
    small.fill(0);
    const QImage one = MakeIndexedBitmap(small, Octree, FS, 8, nullptr);
    EXPECT_EQ(small.format(), QImage::Format_BGR888);
    EXPECT_EQ(small.pixel(0, 0), qRgb(12, 34, 56));
    ASSERT_EQ(one.size(), QSize(1, 1));
    EXPECT_EQ(one.pixel(0, 0), qRgb(12, 34, 56));

    // Past 500000 pixels the result is still an 8-bit picture of the source's size.
    for (QSize size : {QSize(1000, 500), QSize(1000, 501)}) {
        QImage big(size, QImage::Format_RGB32);
        big.fill(qRgb(10, 200, 30));
        const QImage result = MakeIndexedBitmap(big, Octree, FS, 4, nullptr);
        EXPECT_EQ(result.format(), QImage::Format_Indexed8);
        EXPECT_EQ(result.size(), size);
        EXPECT_EQ(result.pixel(999, size.height() - 1), qRgb(10, 200, 30));
    }
}

TEST(MakeIndexedBitmap, OtherMethodsAndArguments) {
    std::mt19937 rng(8);
    const QImage picture = RandomPicture(rng, 9, 7);
    QImage source = picture.convertToFormat(QImage::Format_RGB32);
    // Methods, dither methods and sizes this build does not provide give nothing.
    EXPECT_TRUE(MakeIndexedBitmap(source, 12, FS, 4, nullptr).isNull());
    EXPECT_TRUE(MakeIndexedBitmap(source, 1, FS, 4, nullptr).isNull());
    EXPECT_TRUE(MakeIndexedBitmap(source, Octree, 9, 4, nullptr).isNull());
    EXPECT_TRUE(MakeIndexedBitmap(source, Octree, FS, 9, nullptr).isNull());
    EXPECT_TRUE(MakeIndexedBitmap(source, Octree, FS, 0, nullptr).isNull());
    EXPECT_TRUE(MakeIndexedBitmap(source, ReductionMethod::Custom, FS, 8, nullptr).isNull());

    // Nearest colour: every pixel is the lookup's answer for its own colour.
    const TPalette palette = RandomPalette(rng, 20);
    const QImage nearest =
        MakeIndexedBitmap(source, ReductionMethod::Custom, DitherMethod::Nearest, 8, &palette);
    EXPECT_EQ(nearest.colorTable(), ExpectedTable(palette));
    EXPECT_EQ(ImportantColors(nearest), 20);
    TFastColorLookup lookup(&palette);
    std::uint8_t r, g, b;
    for (int y = 0; y < 7; ++y)
        for (int i = 0; i < 9; ++i) {
            const int x = y % 2 == 0 ? i : 8 - i;
            const QRgb c = picture.pixel(x, y);
            ASSERT_EQ(nearest.pixelIndex(x, y),
                      lookup.MapColor(qRed(c), qGreen(c), qBlue(c), r, g, b));
        }

    // No reduction: a 24-bit copy; the source is left as it was.
    QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    const QImage copy = MakeIndexedBitmap(indexed, ReductionMethod::None, FS, 4, nullptr);
    EXPECT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(copy.format(), QImage::Format_BGR888);
    EXPECT_EQ(copy.pixel(3, 3), indexed.pixel(3, 3));

    QImage empty;
    try {
        MakeIndexedBitmap(empty, Octree, FS, 4, nullptr);
        ADD_FAILURE() << "an empty source was accepted";
    } catch (const GIFException& error) {
        EXPECT_STREQ(error.what(), "Invalid image dimensions");
    }
}
