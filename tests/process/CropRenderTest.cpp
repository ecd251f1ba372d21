#include "process/CropRender.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QImage Pattern(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 3, (x * y) % 256));
    return picture;
}

// The shown picture stated directly: picture or frame colour, inverted on the square's
// edge columns and rows (the white lines of the squeezed cursor picture).
QRgb ExpectedShown(const TCropState& crop, const QImage& picture, int x, int y) {
    const int border = crop.IconSize - 2;
    const bool inPicture =
        x >= border && y >= border && x < border + picture.width() && y < border + picture.height();
    QRgb color = inPicture ? picture.pixel(x - border, y - border)
                           : qRgb(crop.FrameColor & 0xFF, (crop.FrameColor >> 8) & 0xFF,
                                  crop.FrameColor >> 16);
    const TCropRect& r = crop.CropRect;
    const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
    const bool edge = x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1;
    if (inside && edge) color ^= 0x00FFFFFF;
    return color | 0xFF000000;
}

} // namespace

TEST(CropRenderTest, ShownPictureInvertsTheSquaresEdgeWhereverItIsDrawn) {
    const QImage picture = Pattern(100, 80);
    TCropState crop;
    crop.SetPicture(picture, 32);
    crop.SetFrameColor(0x00123456);
    for (const QString& left : {QStringLiteral("0"), QStringLiteral("-30"), QStringLiteral("99")}) {
        crop.LeftEdited(left);
        crop.TopEdited(left == QLatin1String("99") ? QStringLiteral("79") : left);
        const QImage whole = RenderCropView(crop, QRect(0, 0, 160, 140));
        ASSERT_EQ(whole.size(), QSize(160, 140));
        for (int y = 0; y < 140; ++y)
            for (int x = 0; x < 160; ++x)
                ASSERT_EQ(whole.pixel(x, y), ExpectedShown(crop, picture, x, y)) << x << "," << y;
        // A part drawn alone is that part of the whole; beyond the picture it is black.
        const QImage part = RenderCropView(crop, QRect(140, 120, 30, 30));
        EXPECT_EQ(part.copy(0, 0, 20, 20), whole.copy(140, 120, 20, 20));
        EXPECT_EQ(part.pixel(25, 25), qRgb(0, 0, 0));
        EXPECT_EQ(CropOutlineBounds(crop.CropRect),
                  QRect(crop.CropRect.Left, crop.CropRect.Top, 31, 31));
    }
    const QImage cursor = CropCursorImage(32);
    EXPECT_EQ(cursor.pixel(30, 5), qRgb(255, 255, 255));
    EXPECT_EQ(cursor.pixel(31, 5), qRgb(0, 0, 0));
    EXPECT_EQ(cursor.pixel(5, 5), qRgb(0, 0, 0));
}
