#include "process/building/Fitting.h"
#include "process/building/CropState.h"
#include "process/loading/PictureColor.h"
#include "process/loading/PictureLoader.h"
#include "process/loading/Sampling.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

namespace {

QImage gradient(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x, y, 200));
    return picture.convertToFormat(format);
}

std::uint32_t colorOf(int x, int y) {
    return static_cast<std::uint32_t>(x | y << 8 | 200 << 16);
}

// A 1-bit picture, all entry `background`, with the given pixels set to entry `ink`.
QImage monochrome(int width, int height, QRgb entry0, QRgb entry1, int background,
                  const std::vector<QPoint>& inked) {
    QImage picture(width, height, QImage::Format_Mono);
    picture.setColorTable({entry0, entry1});
    picture.fill(static_cast<uint>(background));
    for (const QPoint& p : inked)
        picture.setPixel(p, static_cast<uint>(1 - background));
    return picture;
}

TJobState jobFor(const QImage& picture, int size, int sizing, TCropState& crop) {
    TJobState job;
    job.SourceKind = TSourceKind::Bmp;
    job.InputImage = picture;
    job.IconSize = size;
    job.Sizing = static_cast<TSizing>(sizing);
    EXPECT_TRUE(PrepareCrop(job, crop));
    return job;
}

} // namespace

TEST(FittingTest, PrepareCropDoesNothingWithoutAPicture) {
    TJobState job;
    job.SourceKind = TSourceKind::None;
    job.InputImage = gradient(50, 40);
    TCropState crop;
    EXPECT_FALSE(PrepareCrop(job, crop));
    EXPECT_EQ(crop.PicWidth, 0);

    job.SourceKind = TSourceKind::Jpg;
    job.IconSize = 16;
    crop.LeftEdited(QStringLiteral("-5"));
    EXPECT_TRUE(PrepareCrop(job, crop));
    EXPECT_EQ(crop.PicWidth, 50);
    EXPECT_EQ(crop.IconSize, 16);
    EXPECT_EQ(crop.CropLeft, 0);
}

TEST(FittingTest, PictureOfTheIconSizeIsCopiedPixelForPixelWhateverItsFormat) {
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_BGR888, QImage::Format_RGB888,
          QImage::Format_RGB16}) {
        const QImage picture = gradient(32, 32, format);
        TCropState crop;
        const TJobState job = jobFor(picture, 32, 0, crop);
        const QImage fitted = FitPicture(job, crop);
        ASSERT_EQ(fitted.size(), QSize(32, 32));
        EXPECT_EQ(fitted.format(), QImage::Format_BGR888);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(PictureColor(fitted, x, y), PictureColor(picture, x, y)) << format;
    }
}

TEST(FittingTest, AlphaIsIgnored) {
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 120, 230, 0));
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(picture, 16, 0, crop), crop);
    EXPECT_EQ(PictureColor(fitted, 7, 7), 0x00E6780Au);
}

TEST(FittingTest, ScaleSqueezesWithoutKeepingTheAspect) {
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(gradient(64, 32), 32, 0, crop), crop);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(PictureColor(fitted, x, y), colorOf(2 * x, y));
}

TEST(FittingTest, EnlargingRepeatsEachPixelFourOrFiveTimes) {
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(gradient(10, 10), 48, 0, crop), crop);
    std::map<std::uint32_t, int> columns;
    for (int x = 0; x < 48; ++x) {
        ASSERT_EQ(PictureColor(fitted, x, 0), colorOf(x * 10 / 48, 0));
        ++columns[PictureColor(fitted, x, 0)];
    }
    ASSERT_EQ(columns.size(), 10u);
    for (const auto& [color, count] : columns)
        EXPECT_TRUE(count == 4 || count == 5) << count;
}

TEST(FittingTest, CropUsesTheSquareOfTheCropState) {
    TCropState crop;
    TJobState job = jobFor(gradient(100, 80), 32, 1, crop);
    crop.LeftEdited(QStringLiteral("90"));
    crop.TopEdited(QStringLiteral("3"));
    const QImage fitted = FitPicture(job, crop);
    EXPECT_EQ(fitted, crop.CropImage());
    EXPECT_EQ(PictureColor(fitted, 0, 0), colorOf(90, 3));
    EXPECT_EQ(PictureColor(fitted, 31, 31), LimeColor); // past the right edge
}

TEST(FittingTest, PictureWithoutPixelsLeavesTheFrameColour) {
    for (int sizing : {0, 1}) {
        TCropState crop;
        const QImage fitted = FitPicture(jobFor(QImage(), 16, sizing, crop), crop);
        ASSERT_EQ(fitted.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(PictureColor(fitted, x, y), LimeColor);
    }
}

TEST(FittingTest, MonochromeShrinkKeepsBlackWhateverThePaletteOrder) {
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    // A one-pixel black diagonal on white, shrunk from 96 to 32: every third pixel of a
    // plain nearest-neighbour pick would miss it.
    std::vector<QPoint> diagonal;
    for (int i = 0; i < 96; ++i)
        diagonal.emplace_back(i, 95 - i);
    for (bool blackFirst : {true, false}) {
        const QImage picture = blackFirst ? monochrome(96, 96, black, white, 1, diagonal)
                                          : monochrome(96, 96, white, black, 0, diagonal);
        TCropState crop;
        const QImage fitted = FitPicture(jobFor(picture, 32, 0, crop), crop);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(PictureColor(fitted, x, y), x + y == 31 ? 0u : 0x00FFFFFFu)
                    << x << "," << y << (blackFirst ? " black first" : " white first");
    }
}

TEST(FittingTest, MonochromeTieCountsEntryZeroAsTheDarker) {
    // Equal weights: 30 x 59 for red, 59 x 30 for green.
    const QRgb red = qRgb(59, 0, 0);
    const QRgb green = qRgb(0, 30, 0);
    const QImage picture = monochrome(64, 64, red, green, 1, {QPoint(10, 10)});
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(picture, 16, 0, crop), crop);
    EXPECT_EQ(PictureColor(fitted, 2, 2), 59u); // the span of (10, 10) shows entry 0
    EXPECT_EQ(PictureColor(fitted, 3, 2), 30u << 8);
}

TEST(FittingTest, MonochromeEnlargeIsPlainNearestNeighbour) {
    const QImage picture = monochrome(4, 4, qRgb(0, 0, 0), qRgb(255, 255, 255), 1, {QPoint(1, 2)});
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(picture, 16, 0, crop), crop);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(PictureColor(fitted, x, y), (x / 4 == 1 && y / 4 == 2) ? 0u : 0xFFFFFFu);
}

TEST(FittingTest, OneBitBitmapWrittenByPillowShrinksByTheAndRule) {
    testutil::TempDir dir;
    const std::string file = (dir / "lines.bmp").string();
    // Pillow's 1-bit bitmap: white, with a black line one pixel wide in every 5th column.
    const std::string script = "from PIL import Image\n"
                               "im = Image.new('1', (100, 50), 1)\n"
                               "for x in range(2, 100, 5):\n"
                               "    for y in range(50): im.putpixel((x, y), 0)\n"
                               "im.save('" +
                               file + "')\n";
    const auto run =
        testutil::runCommand(testutil::systemPython() + " -c " + testutil::shellQuote(script));
    if (run.exitCode != 0) GTEST_SKIP() << "Pillow not available: " << run.output;

    const QImage picture = LoadBitmapPicture(QString::fromStdString(file));
    ASSERT_EQ(picture.format(), QImage::Format_Mono);
    TCropState crop;
    const QImage fitted = FitPicture(jobFor(picture, 16, 0, crop), crop);
    for (int x = 0; x < 16; ++x) {
        // Target column x covers source columns x*100/16 up to (x+1)*100/16.
        bool line = false;
        for (int c = x * 100 / 16; c < (x + 1) * 100 / 16; ++c)
            line = line || c % 5 == 2;
        for (int y = 0; y < 16; ++y)
            ASSERT_EQ(PictureColor(fitted, x, y), line ? 0u : 0xFFFFFFu) << x << "," << y;
    }
}

TEST(FittingTest, StretchRowsAreTheRowsTheStretchReads) {
    EXPECT_EQ(StretchRows(100, 16),
              (std::vector<int>{0, 6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93}));
    // Enlarging reads every row, each once.
    EXPECT_EQ(StretchRows(5, 16), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(StretchRows(0, 16).empty());

    // Rows that hold their own number in red: the stretch shows exactly the listed rows.
    QImage picture(7, 300, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(y % 256, y / 256, 0));
    const std::vector<int> rows = StretchRows(300, 48);
    const QImage stretched = StretchNearest(picture, 48);
    for (int j = 0; j < 48; ++j) {
        const QRgb c = stretched.pixel(0, j);
        EXPECT_EQ(qRed(c) + 256 * qGreen(c), rows[static_cast<std::size_t>(j)]) << j;
    }
}

TEST(FittingTest, APictureLoadedForOneStretchServesNoOtherFit) {
    TCropState crop;
    TJobState job = jobFor(gradient(64, 64), 32, 0, crop);
    job.InputRowsFor = 32;
    EXPECT_EQ(FitPicture(job, crop).size(), QSize(32, 32));
    job.IconSize = 16;
    EXPECT_THROW(FitPicture(job, crop), std::logic_error);
    job.IconSize = 32;
    job.Sizing = TSizing::Crop;
    EXPECT_THROW(FitPicture(job, crop), std::logic_error);
    job.InputRowsFor = 0;
    EXPECT_NO_THROW(FitPicture(job, crop));
}
