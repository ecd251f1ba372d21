// The bitmap of a file: frame 0 on the logical screen.

#include <gtest/gtest.h>

#include "GIFTestSupport.h"
#include "gif/GIFImage.h"
#include "reduce/DIB.h"
#include "reduce/GraphicErrors.h"

using namespace giftest;

namespace {

QRgb Rgb(const TGIFColor& c) {
    return qRgb(c.Red, c.Green, c.Blue);
}

QImage BitmapOf(const Bytes& file) {
    TGIFImage image;
    Load(image, file);
    return image.Bitmap();
}

} // namespace

TEST(GIFBitmap, FullScreenFrameGivesItsIndicesAndColourTable) {
    const auto global = Colors(16);
    const auto pixels = Pattern(7, 5, 16);
    Bytes file = Header(7, 5, global);
    AddImage(file, {3, 2, 7, 5, pixels, {}, false, 4}); // the offset is ignored
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    ASSERT_EQ(bitmap.size(), QSize(7, 5));
    ASSERT_EQ(bitmap.colorCount(), 256);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bitmap.color(i), Rgb(global[i]));
    for (int i = 16; i < 256; ++i)
        EXPECT_EQ(bitmap.color(i), qRgb(0, 0, 0));
    EXPECT_EQ(ImportantColors(bitmap), 16);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(IndexAt(bitmap, x, y), pixels[y * 7 + x]);
    }
}

TEST(GIFBitmap, LocalColourTableComesBeforeTheGlobalOne) {
    std::vector<TGIFColor> local = Colors(8);
    for (auto& c : local)
        c.Blue = 99;
    Bytes file = Header(4, 4, Colors(4));
    AddImage(file, {0, 0, 4, 4, Pattern(4, 4, 8), local, false, 3});
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bitmap.color(i), Rgb(local[i]));
    EXPECT_EQ(bitmap.color(8), qRgb(0, 0, 0));
    EXPECT_EQ(ImportantColors(bitmap), 8);
}

TEST(GIFBitmap, TransparentIndexKeepsItsColour) {
    const auto global = Colors(4);
    Bytes file = Header(3, 1, global);
    AddGraphicControl(file, true, 2);
    AddImage(file, {0, 0, 3, 1, {2, 1, 2}, {}, false, 2});
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    EXPECT_FALSE(bitmap.hasAlphaChannel());
    EXPECT_EQ(IndexAt(bitmap, 0, 0), 2);
    EXPECT_EQ(bitmap.pixel(0, 0), Rgb(global[2]));
    EXPECT_EQ(qAlpha(bitmap.pixel(0, 0)), 255);
}

TEST(GIFBitmap, SmallFrameSitsAtItsOffsetOnAWhiteScreen) {
    const auto global = Colors(4);
    const auto pixels = Pattern(10, 10, 4);
    Bytes file = Header(100, 100, global);
    AddImage(file, {5, 5, 10, 10, pixels, {}, false, 2});
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    ASSERT_EQ(bitmap.size(), QSize(100, 100));
    EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
            const QRgb expected =
                inside ? Rgb(global[pixels[(y - 5) * 10 + (x - 5)]]) : qRgb(255, 255, 255);
            ASSERT_EQ(bitmap.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(GIFBitmap, FrameReachingPastTheScreenIsCutOff) {
    const auto global = Colors(4);
    const auto pixels = Pattern(10, 10, 4);
    Bytes file = Header(12, 8, global);
    AddImage(file, {6, 3, 10, 10, pixels, {}, false, 2});
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    ASSERT_EQ(bitmap.size(), QSize(12, 8));
    EXPECT_EQ(bitmap.pixel(5, 3), qRgb(255, 255, 255));
    EXPECT_EQ(bitmap.pixel(6, 3), Rgb(global[pixels[0]]));
    EXPECT_EQ(bitmap.pixel(11, 7), Rgb(global[pixels[4 * 10 + 5]]));
    EXPECT_EQ(bitmap.pixel(6, 2), qRgb(255, 255, 255));

    // Entirely off the screen: white only.
    Bytes outside = Header(12, 8, global);
    AddImage(outside, {40, 40, 10, 10, pixels, {}, false, 2});
    const QImage white = BitmapOf(outside);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(white.pixel(x, y), qRgb(255, 255, 255));
    }
}

TEST(GIFBitmap, OnlyTheFirstFrameIsShown) {
    const auto global = Colors(4);
    Bytes file = Header(3, 2, global);
    AddImage(file, {0, 0, 3, 2, std::vector<std::uint8_t>(6, 1), {}, false, 2});
    AddImage(file, {0, 0, 3, 2, std::vector<std::uint8_t>(6, 3), {}, false, 2});
    file.push_back(0x3B);
    TGIFImage image;
    Load(image, file);
    ASSERT_EQ(image.Images().Count(), 2);
    EXPECT_EQ(image.Images()[1].Data(), std::vector<std::uint8_t>(6, 3));
    const QImage& bitmap = image.Bitmap();
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(IndexAt(bitmap, x, y), 1);
    }
    // Built once and kept.
    EXPECT_EQ(image.Bitmap().cacheKey(), bitmap.cacheKey());
}

TEST(GIFBitmap, FrameWithoutPixelsLeavesTheScreenWhite) {
    Bytes file = Header(3, 2, Colors(2));
    AddComment(file, {"no image here"});
    file.push_back(0x3B);
    const QImage bitmap = BitmapOf(file);
    ASSERT_EQ(bitmap.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bitmap.pixel(x, y), qRgb(255, 255, 255));
    }
}

TEST(GIFBitmap, MissingColourTableFailsOnlyWhenTheBitmapIsAskedFor) {
    for (const bool fullScreen : {true, false}) {
        Bytes file = Header(4, 3, {});
        AddImage(file, {0, 0, fullScreen ? 4 : 2, 3, Pattern(4, 3, 4), {}, false, 2});
        file.push_back(0x3B);
        TGIFImage image;
        Load(image, file);
        ASSERT_EQ(image.Images().Count(), 1);
        try {
            image.Bitmap();
            ADD_FAILURE() << "no error";
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "No global or local color table defined");
        }
    }
    // A local table alone is enough, also for a screen-sized bitmap.
    Bytes local = Header(5, 3, {});
    AddImage(local, {1, 1, 2, 2, {1, 0, 0, 1}, Colors(2), false, 2});
    const QImage bitmap = BitmapOf(local);
    ASSERT_EQ(bitmap.size(), QSize(5, 3));
    EXPECT_EQ(bitmap.pixel(1, 1), Rgb(Colors(2)[1]));
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(GIFBitmap, FileColourTableFallsBackToFrameZero) {
    Bytes file = Header(2, 2, {});
    AddImage(file, {0, 0, 2, 2, {0, 1, 1, 0}, Colors(4), false, 2});
    AddImage(file, {0, 0, 2, 2, {1, 1, 1, 1}, {}, false, 2});
    TGIFImage image;
    Load(image, file);
    EXPECT_EQ(image.ColorMap().Count(), 4);
    // A later frame without a table of its own borrows the file's, which is frame 0's.
    const QImage second = image.Images()[1].Bitmap();
    EXPECT_EQ(second.color(1), Rgb(Colors(4)[1]));
}
