#include "process/building/CropState.h"
#include "process/loading/PictureColor.h"

#include <gtest/gtest.h>

namespace {

// A picture whose every pixel has its own colour: red = x, green = y, blue = 7.
QImage gradient(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x, y, 7));
    return picture;
}

std::uint32_t colorOf(int x, int y) {
    return static_cast<std::uint32_t>(x | y << 8 | 7 << 16);
}

TCropState prepared(int width, int height, int size) {
    TCropState crop;
    crop.SetPicture(gradient(width, height), size);
    return crop;
}

void expectSquare(const TCropState& crop, int left, int top) {
    const int size = crop.IconSize;
    EXPECT_EQ(crop.CropLeft, left);
    EXPECT_EQ(crop.CropTop, top);
    EXPECT_EQ(crop.CropRight, left + size - 1);
    EXPECT_EQ(crop.CropBottom, top + size - 1);
    EXPECT_EQ(crop.CropRect, (TCropRect{size - 2 + left, size - 2 + top, 2 * size - 3 + left,
                                        2 * size - 3 + top}));
    EXPECT_EQ(crop.CropLeftText(), QString::number(left));
    EXPECT_EQ(crop.CropTopText(), QString::number(top));
    EXPECT_EQ(crop.CropRightText(), QString::number(left + size - 1));
    EXPECT_EQ(crop.CropBottomText(), QString::number(top + size - 1));
}

} // namespace

TEST(CropStateTest, NewPictureIsPaddedAndTheSquareStartsAtItsCorner) {
    TCropState crop = prepared(100, 80, 32);
    crop.LeftEdited(QStringLiteral("40")); // a square left over from an earlier picture
    crop.SetPicture(gradient(100, 80), 32);
    EXPECT_EQ(crop.PicWidth, 100);
    EXPECT_EQ(crop.PicHeight, 80);
    EXPECT_EQ(crop.ThumbRect, (TCropRect{0, 0, 32, 32}));
    expectSquare(crop, 0, 0);

    const QImage& padded = crop.EmbedImage();
    ASSERT_EQ(padded.size(), QSize(160, 140));
    EXPECT_EQ(padded.format(), QImage::Format_BGR888);
    EXPECT_EQ(PictureColor(padded, 0, 0), LimeColor);
    EXPECT_EQ(PictureColor(padded, 29, 29), LimeColor);
    EXPECT_EQ(PictureColor(padded, 30, 30), colorOf(0, 0));
    EXPECT_EQ(PictureColor(padded, 129, 109), colorOf(99, 79));
    EXPECT_EQ(PictureColor(padded, 130, 109), LimeColor);
    EXPECT_EQ(PictureColor(padded, 129, 110), LimeColor);
    for (int y = 0; y < padded.height(); y += 7)
        for (int x = 0; x < padded.width(); x += 5)
            ASSERT_EQ(crop.PaddedColor(x, y), PictureColor(padded, x, y)) << x << "," << y;
}

TEST(CropStateTest, EditBoxesFallBackAndClamp) {
    TCropState crop = prepared(100, 80, 32);
    crop.LeftEdited(QStringLiteral("12"));
    expectSquare(crop, 12, 0);
    crop.LeftEdited(QStringLiteral("twelve"));
    expectSquare(crop, 0, 0);
    crop.LeftEdited(QStringLiteral("-100"));
    expectSquare(crop, -30, 0);
    crop.LeftEdited(QStringLiteral("500"));
    expectSquare(crop, 99, 0);

    crop.TopEdited(QStringLiteral(" 5 "));
    expectSquare(crop, 99, 5);
    crop.TopEdited(QStringLiteral("500"));
    expectSquare(crop, 99, 79);
    crop.TopEdited(QStringLiteral(""));
    expectSquare(crop, 99, 0);

    crop.RightEdited(QStringLiteral("500")); // W = 100: R = 130, L = 99
    expectSquare(crop, 99, 0);
    crop.RightEdited(QStringLiteral("x"));
    expectSquare(crop, 0, 0);
    crop.RightEdited(QStringLiteral("-5"));
    expectSquare(crop, -30, 0);

    crop.BottomEdited(QStringLiteral("1000"));
    expectSquare(crop, -30, 79);
    crop.BottomEdited(QStringLiteral("?"));
    expectSquare(crop, -30, 0);
    crop.BottomEdited(QStringLiteral("0"));
    expectSquare(crop, -30, -30);
}

TEST(CropStateTest, DraggingFollowsThePointerWithinTheClamps) {
    TCropState crop = prepared(100, 80, 32);
    crop.LeftButtonDown(60, 50);
    EXPECT_TRUE(crop.Dragging);
    expectSquare(crop, 29, 19); // R = X, B = Y
    EXPECT_TRUE(crop.MouseMove(-40, 1000));
    expectSquare(crop, -30, 79); // X clamped to 1, Y to S + H - 2
    EXPECT_TRUE(crop.MouseMove(5000, -3));
    expectSquare(crop, 99, -30);
    crop.LeftButtonUp();
    EXPECT_FALSE(crop.MouseMove(60, 50));
    expectSquare(crop, 99, -30);
}

TEST(CropStateTest, PanningReportsTheMoveFromTheGrabbedPoint) {
    TCropState crop = prepared(100, 80, 32);
    crop.RightButtonDown(40, 40);
    EXPECT_TRUE(crop.Panning);
    std::int32_t dx = 99, dy = 99;
    EXPECT_FALSE(crop.MouseMove(45, 37, &dx, &dy));
    EXPECT_EQ(dx, 5);
    EXPECT_EQ(dy, -3);
    // The grabbed point stays: the next move is measured from it again.
    crop.MouseMove(42, 40, &dx, &dy);
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(crop.LastX, 40);
    crop.RightButtonUp();
    crop.MouseMove(10, 10, &dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    expectSquare(crop, 0, 0);
}

TEST(CropStateTest, SquareHoldsSMinusOnePixelsStretchedToS) {
    TCropState crop = prepared(100, 80, 32);
    crop.LeftEdited(QStringLiteral("10"));
    crop.TopEdited(QStringLiteral("20"));
    const QImage square = crop.CropImage();
    ASSERT_EQ(square.size(), QSize(32, 32));
    for (int j = 0; j < 32; ++j)
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(PictureColor(square, i, j), colorOf(10 + i * 31 / 32, 20 + j * 31 / 32));
    // Picture columns 10..40 appear, 41 (= R) does not; the first one is doubled.
    EXPECT_EQ(PictureColor(square, 0, 0), colorOf(10, 20));
    EXPECT_EQ(PictureColor(square, 1, 0), colorOf(10, 20));
    EXPECT_EQ(PictureColor(square, 2, 0), colorOf(11, 20));
    EXPECT_EQ(PictureColor(square, 31, 0), colorOf(40, 20));
}

TEST(CropStateTest, SquarePastTheEdgeShowsTheFrameColour) {
    TCropState crop = prepared(100, 80, 32);
    crop.LeftEdited(QStringLiteral("-30"));
    const QImage square = crop.CropImage();
    // Only the last column reaches picture column 0.
    for (int i = 0; i < 31; ++i)
        EXPECT_EQ(PictureColor(square, i, 5), LimeColor) << i;
    EXPECT_EQ(PictureColor(square, 31, 5), colorOf(0, 5 * 31 / 32));
}

TEST(CropStateTest, NewFrameColourRecoloursOnlyTheBorder) {
    for (bool builtBefore : {true, false}) {
        TCropState crop = prepared(40, 30, 16);
        if (builtBefore) (void)crop.EmbedImage();
        const std::uint32_t blue = 0x00FF0000;
        crop.SetFrameColor(blue);
        const QImage& padded = crop.EmbedImage();
        ASSERT_EQ(padded.size(), QSize(68, 58));
        for (int y = 0; y < padded.height(); ++y)
            for (int x = 0; x < padded.width(); ++x) {
                const bool inside = x >= 14 && x < 54 && y >= 14 && y < 44;
                ASSERT_EQ(PictureColor(padded, x, y), inside ? colorOf(x - 14, y - 14) : blue)
                    << x << "," << y << (builtBefore ? " (refilled)" : " (built)");
            }
        crop.LeftEdited(QStringLiteral("-5"));
        EXPECT_EQ(PictureColor(crop.CropImage(), 0, 0), blue);
        // The colour stays for the next picture.
        crop.SetPicture(gradient(5, 5), 16);
        EXPECT_EQ(PictureColor(crop.EmbedImage(), 0, 0), blue);
    }
}

TEST(CropStateTest, PictureWithoutPixelsCopiesNothing) {
    TCropState crop;
    crop.SetPicture(QImage(), 32);
    EXPECT_EQ(crop.EmbedImage().size(), QSize(60, 60));
    const QImage square = crop.CropImage();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(PictureColor(square, x, y), LimeColor);
}
