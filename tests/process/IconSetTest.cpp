#include "process/building/IconSet.h"
#include "process/loading/Sampling.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// The area average computed the plain way: every icon pixel against every picture pixel,
// the overlap of the two squares measured in 1/size of a picture pixel on each axis.
QImage BruteForceAverage(const QImage& picture, int size) {
    const std::int64_t w = picture.width();
    const std::int64_t h = picture.height();
    const auto overlap = [size](std::int64_t i, std::int64_t extent, std::int64_t x) {
        const std::int64_t lo = std::max(i * extent, x * size);
        const std::int64_t hi = std::min((i + 1) * extent, (x + 1) * size);
        return std::max<std::int64_t>(0, hi - lo);
    };
    QImage out(size, size, QImage::Format_ARGB32);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            double a = 0, r = 0, g = 0, b = 0, pr = 0, pg = 0, pb = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const double weight = double(overlap(i, w, x) * overlap(j, h, y));
                    const QRgb p = picture.pixel(x, y);
                    a += weight * qAlpha(p);
                    r += weight * qAlpha(p) * qRed(p);
                    g += weight * qAlpha(p) * qGreen(p);
                    b += weight * qAlpha(p) * qBlue(p);
                    pr += weight * qRed(p);
                    pg += weight * qGreen(p);
                    pb += weight * qBlue(p);
                }
            }
            const double area = double(w * h);
            const auto round = [](double v) { return int(std::floor(v + 0.5)); };
            out.setPixel(i, j,
                         a == 0 ? qRgba(round(pr / area), round(pg / area), round(pb / area), 0)
                                : qRgba(round(r / a), round(g / a), round(b / a), round(a / area)));
        }
    }
    return out;
}

QImage RandomPicture(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // A third of the pixels fully transparent, some fully opaque.
            const int pick = random.bounded(6);
            const int alpha = pick < 2 ? 0 : pick == 2 ? 255 : random.bounded(256);
            picture.setPixel(
                x, y, qRgba(random.bounded(256), random.bounded(256), random.bounded(256), alpha));
        }
    return picture;
}

} // namespace

TEST(AreaAverage, IsTheExactAlphaWeightedMeanOfTheCoveredArea) {
    struct Case {
        int Width, Height, Size;
    };
    // Shrinking by whole and by fractional steps, stretching, and both at once.
    for (const Case c : {Case{8, 8, 4}, Case{7, 5, 3}, Case{5, 9, 4}, Case{3, 2, 7}, Case{10, 3, 6},
                         Case{1, 1, 5}}) {
        const QImage picture = RandomPicture(c.Width, c.Height, quint32(c.Width * 100 + c.Size));
        EXPECT_EQ(AreaAverage(picture, c.Size), BruteForceAverage(picture, c.Size))
            << c.Width << "x" << c.Height << " to " << c.Size;
    }

    // Premultiplied: a transparent neighbour lowers the alpha but lends no colour.
    QImage pair(2, 1, QImage::Format_ARGB32);
    pair.setPixel(0, 0, qRgba(255, 0, 0, 255));
    pair.setPixel(1, 0, qRgba(0, 0, 255, 0));
    EXPECT_EQ(AreaAverage(pair, 1).pixel(0, 0), qRgba(255, 0, 0, 128));

    // At the picture's own size nothing changes, not even the colour of transparent pixels;
    // other formats are read as their colours, opaque.
    const QImage same = RandomPicture(6, 6, 7);
    EXPECT_EQ(AreaAverage(same, 6), same);
    const QImage rgb = same.convertToFormat(QImage::Format_BGR888);
    EXPECT_EQ(AreaAverage(rgb, 6), rgb.convertToFormat(QImage::Format_ARGB32));
}
