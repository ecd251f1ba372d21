#include <gtest/gtest.h>

#include <QByteArray>
#include <QtEndian>

#include "ReduceTestSupport.h"
#include "reduce/DIB.h"
#include "reduce/GraphicErrors.h"

using namespace reducetest;

namespace {

template <typename E, typename F> std::string MessageOf(F&& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "(nothing raised)";
}

// The BMP file image the writer stands for, assembled field by field: file header,
// information header, 256-entry colour table at 8 bits, rows bottom-up.
QImage LoadHandOverImage(int width, int height, int bits, const TPalette* palette,
                         const std::vector<std::vector<std::uint8_t>>& rows) {
    const int stride = (width * bits + 31) / 32 * 4;
    const int headerSize = bits == 8 ? 40 + 1024 : 40;
    QByteArray file(14 + headerSize + stride * height, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, file.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, file.data() + at); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, quint32(file.size()));
    put32(10, quint32(14 + headerSize));
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, quint16(bits));
    const int n = palette ? palette->EntryCount() : 0;
    if (bits == 8) {
        put32(46, 256);
        put32(50, quint32(n));
        for (int i = 0; i < n; ++i) {
            file[54 + 4 * i] = char(palette->entries[i].blue);
            file[55 + 4 * i] = char(palette->entries[i].green);
            file[56 + 4 * i] = char(palette->entries[i].red);
        }
    }
    for (int y = 0; y < height; ++y)
        std::copy(rows[y].begin(), rows[y].end(),
                  file.begin() + 14 + headerSize + stride * (height - 1 - y));
    return QImage::fromData(file, "BMP");
}

} // namespace

TEST(DIBWriter, RefusesBadFormatsSizesAndRows) {
    QImage target;
    EXPECT_EQ(MessageOf<GIFException>([&] { TDIBWriter(target, 4, 1, 1, nullptr); }),
              "Unsupported PixelFormat");
    EXPECT_EQ(MessageOf<GIFException>([&] { TDIBWriter(target, 8, 0, 5, nullptr); }),
              "Invalid image dimensions");
    EXPECT_EQ(MessageOf<GIFException>([&] { TDIBWriter(target, 24, 5, 0, nullptr); }),
              "Invalid image dimensions");
    EXPECT_EQ(MessageOf<GIFException>([&] { TDIBWriter(target, 24, -5, 3, nullptr); }),
              "Invalid image dimensions");
    TDIBWriter writer(target, 8, 2, 3, nullptr);
    for (int y : {-1, 3})
        EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { writer.RowAddress(y); }),
                  "Scan line index out of range");
    EXPECT_EQ(RowStride(1, 8), 4);
    EXPECT_EQ(RowStride(3, 8), 4);
    EXPECT_EQ(RowStride(5, 8), 8);
    EXPECT_EQ(RowStride(5, 24), 16);
}

TEST(DIBWriter, GivesTheSamePictureAsItsBmpHandOver) {
    std::mt19937 rng(5);
    for (int bits : {8, 24}) {
        for (auto [w, h, n] : {std::tuple{1, 1, 16}, {5, 3, 256}, {7, 4, 0}, {3, 2, 300}}) {
            const TPalette palette = RandomPalette(rng, std::min(n, 256));
            TPalette asked = palette;
            asked.count = n;
            std::vector<std::vector<std::uint8_t>> rows(h);
            QImage target;
            {
                TDIBWriter writer(target, bits, w, h, &asked);
                for (int y = 0; y < h; ++y) {
                    std::uint8_t* row = writer.RowAddress(y);
                    for (int i = 0; i < w * bits / 8; ++i)
                        rows[y].push_back(row[i] = rng());
                }
            }
            const QImage expected = LoadHandOverImage(w, h, bits, &asked, rows);
            ASSERT_FALSE(expected.isNull());
            ASSERT_EQ(target.size(), QSize(w, h));
            ASSERT_EQ(target.format(), bits == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
            EXPECT_EQ(target.bytesPerLine(), RowStride(w, bits));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(target.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
            if (bits == 8) {
                EXPECT_EQ(target.colorTable(), expected.colorTable());
                EXPECT_EQ(ImportantColors(target), std::clamp(n, 0, 256));
                for (int y = 0; y < h; ++y)
                    EXPECT_EQ(0, memcmp(target.constScanLine(y), rows[y].data(), w));
            }
        }
    }
}

TEST(DIBWriter, HandsOverOnlyWhatWasStarted) {
    QImage target(2, 2, QImage::Format_RGB32);
    target.fill(Qt::red);
    { TDIBWriter untouched(target, 8, 4, 4, nullptr); }
    EXPECT_EQ(target.size(), QSize(2, 2));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));

    // Cut short by an exception, the writer still hands over its partly filled picture.
    try {
        TDIBWriter writer(target, 8, 3, 2, nullptr);
        writer.RowAddress(0)[2] = 77;
        writer.RowAddress(2);
    } catch (const EInvalidGraphicOperation&) {
    }
    ASSERT_EQ(target.format(), QImage::Format_Indexed8);
    EXPECT_EQ(target.size(), QSize(3, 2));
    EXPECT_EQ(target.pixelIndex(2, 0), 77);
}

TEST(DIBReader, ConvertsInPlaceAndGivesTheOwnRowsTopFirst) {
    QImage picture(3, 2, QImage::Format_Indexed8);
    picture.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    picture.fill(0);
    picture.setPixel(2, 1, 1);
    const QImage shared = picture;
    TDIBReader reader(picture, 24);
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
    const std::uint8_t* bottom = reader.RowAddress(1);
    EXPECT_EQ((std::vector<int>{bottom[6], bottom[7], bottom[8]}),
              (std::vector<int>{50, 100, 200}));
    EXPECT_EQ((std::vector<int>{bottom[0], bottom[1], bottom[2]}), (std::vector<int>{3, 2, 1}));
    reader.RowAddress(0)[0] = 9; // blue of the top-left pixel
    EXPECT_EQ(qBlue(picture.pixel(0, 0)), 9);
    EXPECT_EQ(shared.format(), QImage::Format_Indexed8);
    EXPECT_THROW(reader.RowAddress(2), EInvalidGraphicOperation);
    EXPECT_EQ(MessageOf<GIFException>([&] { TDIBReader(picture, 32); }), "Unsupported PixelFormat");
}
