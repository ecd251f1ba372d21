// Pictures made for the decoders must behave as ordinary QImages wherever their memory comes
// from: same layout, filled in place without a hidden copy, shared and detached as usual,
// and their memory given back once (the sanitizer build reports a leak or a double free).
#include "process/loading/PictureMemory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

// Width x height pictures on both sides of the big-picture size, with and without padding.
struct Shape {
    int Width;
    int Height;
    QImage::Format Format;
};

const Shape kShapes[] = {
    {640, 480, QImage::Format_BGR888},     {33, 17, QImage::Format_BGR888},
    {1501, 1001, QImage::Format_BGR888},   {4000, 3000, QImage::Format_BGR888},
    {2501, 1801, QImage::Format_Indexed8}, {3, 3, QImage::Format_Indexed8},
    {1025, 1025, QImage::Format_RGB32},
};

void Fill(QImage& picture, int seed) {
    for (int y = 0; y < picture.height(); ++y) {
        uchar* row = picture.scanLine(y);
        for (qsizetype i = 0; i < picture.bytesPerLine(); ++i)
            row[i] = static_cast<uchar>(y * 31 + i * 7 + seed);
    }
}

} // namespace

TEST(PictureMemory, LaidOutAsAPlainImageOfTheSameSizeAndFormat) {
    for (const Shape& s : kShapes) {
        const QImage plain(s.Width, s.Height, s.Format);
        const QImage picture = AllocatePicture(s.Width, s.Height, s.Format);
        ASSERT_FALSE(picture.isNull()) << s.Width << "x" << s.Height;
        EXPECT_EQ(picture.size(), plain.size());
        EXPECT_EQ(picture.format(), plain.format());
        EXPECT_EQ(picture.bytesPerLine(), plain.bytesPerLine()) << s.Width;
        EXPECT_EQ(picture.sizeInBytes(), plain.sizeInBytes());
        // Rows follow each other at bytesPerLine, top row first.
        EXPECT_EQ(picture.constScanLine(s.Height - 1) - picture.constBits(),
                  (s.Height - 1) * picture.bytesPerLine());
    }
}

TEST(PictureMemory, FilledInPlaceSharedAndDetachedLikeAnyImage) {
    for (const Shape& s : kShapes) {
        QImage picture = AllocatePicture(s.Width, s.Height, s.Format);
        ASSERT_FALSE(picture.isNull());
        const uchar* memory = picture.constBits();
        // An unshared picture is written where it lies: a decoder fills the rows it was given.
        EXPECT_EQ(picture.bits(), memory) << s.Width << "x" << s.Height;
        Fill(picture, 1);

        QImage shared = picture; // a copy shares the pixels...
        EXPECT_EQ(shared.constBits(), memory);
        QImage reference(s.Width, s.Height, s.Format);
        Fill(reference, 1);
        Fill(shared, 2); // ...until it is written, which gives it pixels of its own
        EXPECT_NE(shared.constBits(), memory);
        for (int y = 0; y < s.Height; ++y)
            ASSERT_EQ(std::memcmp(picture.constScanLine(y), reference.constScanLine(y),
                                  static_cast<std::size_t>(picture.bytesPerLine())),
                      0)
                << "row " << y << " of the original changed";

        // The original outlives its first handle; the memory goes with the last one.
        QImage survivor = picture;
        picture = QImage();
        EXPECT_EQ(survivor.constBits(), memory);
        EXPECT_EQ(std::memcmp(survivor.constScanLine(0), reference.constScanLine(0),
                              static_cast<std::size_t>(survivor.bytesPerLine())),
                  0);
    }
}

TEST(PictureMemory, NoPictureForSizesThatHoldNoPixels) {
    EXPECT_TRUE(AllocatePicture(0, 10, QImage::Format_BGR888).isNull());
    EXPECT_TRUE(AllocatePicture(10, 0, QImage::Format_BGR888).isNull());
    EXPECT_TRUE(AllocatePicture(-5, 10, QImage::Format_BGR888).isNull());
    EXPECT_TRUE(AllocatePicture(10, 10, QImage::Format_Invalid).isNull());
}

#if defined(__linux__)
// The rows a decoder leaves alone read 0 and take no memory; the layout is a plain image's.
TEST(PictureMemory, SparsePicturesReadZeroAndTakeMemoryOnlyForRowsWritten) {
    auto residentKiB = [] {
        // VmRSS of this process, in KiB.
        FILE* status = std::fopen("/proc/self/status", "r");
        long kib = -1;
        char line[256];
        while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr)
            if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
        if (status != nullptr) std::fclose(status);
        return kib;
    };
    const long before = residentKiB();
    QImage picture = AllocateSparsePicture(6000, 4000, QImage::Format_BGR888);
    ASSERT_FALSE(picture.isNull());
    const QImage plain(6000, 1, QImage::Format_BGR888);
    EXPECT_EQ(picture.bytesPerLine(), plain.bytesPerLine());
    for (int y = 0; y < 4000; y += 125)
        std::memset(picture.scanLine(y), 0x5A, 18000);
    EXPECT_EQ(picture.constScanLine(1)[17999], 0);
    EXPECT_EQ(picture.constScanLine(3999)[0], 0);
    EXPECT_EQ(picture.constScanLine(125)[17999], 0x5A);
    // 32 rows of 18 KB, far from the 72 MB of the whole picture (the bound leaves room for
    // a sanitizer's bookkeeping of the mapping).
    EXPECT_LT(residentKiB() - before, 16 * 1024);

    for (const Shape& s : kShapes) {
        const QImage sparse = AllocateSparsePicture(s.Width, s.Height, s.Format);
        ASSERT_FALSE(sparse.isNull());
        EXPECT_EQ(sparse.bytesPerLine(), QImage(s.Width, 1, s.Format).bytesPerLine());
        EXPECT_EQ(sparse.constScanLine(s.Height - 1)[0], 0);
    }
    EXPECT_TRUE(AllocateSparsePicture(0, 10, QImage::Format_BGR888).isNull());
}
#endif
