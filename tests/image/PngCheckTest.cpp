#include "image/PngCheck.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QString Damage(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return PngDamage(buffer);
}

// The offset of the first chunk of `type`.
qsizetype Chunk(const QByteArray& png, const char* type) {
    return png.indexOf(type) - 4;
}

} // namespace

// Each fault the decoder would stop at is found before it sees the file; what it takes
// anyway (a bad ancillary CRC, no end chunk) is let through.
TEST(PngCheck, FindsWhatTheDecoderStopsAt) {
    QImage picture(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba(x * 7, y * 11, x ^ y, 40 + x));
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&out, "PNG"));
    picture.setText(QStringLiteral("Comment"), QStringLiteral("x"));
    QByteArray withText;
    QBuffer textOut(&withText);
    textOut.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&textOut, "PNG"));
    EXPECT_EQ(Damage(png), QString());

    const qsizetype data = Chunk(png, "IDAT");
    QByteArray flipped = png;
    flipped[data + 10] = static_cast<char>(flipped[data + 10] ^ 0x5A);
    EXPECT_FALSE(Damage(flipped).isEmpty()); // bad CRC or bad deflate data
    EXPECT_EQ(Damage(png.left(data + 20)), QStringLiteral("the PNG file ends early"));
    EXPECT_EQ(Damage(png.left(Chunk(png, "IEND"))), QString());
    EXPECT_EQ(Damage(QByteArray("GIF89a")), QStringLiteral("not a PNG file"));

    const qsizetype text = Chunk(withText, "tEXt");
    ASSERT_GT(text, 0);
    QByteArray badText = withText;
    badText[text + 8] = static_cast<char>(badText[text + 8] ^ 1);
    EXPECT_EQ(Damage(badText), QString());
    QByteArray badHeader = png;
    badHeader[Chunk(png, "IHDR") + 9] = static_cast<char>(badHeader[Chunk(png, "IHDR") + 9] ^ 1);
    EXPECT_EQ(Damage(badHeader), QStringLiteral("the PNG file is damaged"));
}
