#include "LoaderTestSupport.h"

#include "process/building/CropState.h"
#include "process/building/Fitting.h"
#include "process/building/IconBuild.h"
#include "process/loading/PictureColor.h"
#include "reduce/Reduce.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// An icon map of `size` x `size` at `bits` with the given palette and pixels
// pixels[y][x] (rows of text would be too clever here: plain numbers).
TPxlMap iconMap(int size, int bits, const std::vector<std::uint32_t>& palette,
                const std::vector<std::vector<int>>& pixels) {
    TPxlMap map;
    map.NewImage(size, size, bits);
    for (int i = 0; i < (1 << bits); ++i)
        map.SetPaletteColor(static_cast<std::uint8_t>(i),
                            i < static_cast<int>(palette.size()) ? palette[i] : 0x00808080);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            map.SetPixel(x, y, static_cast<std::uint8_t>(pixels[y][x]));
    return map;
}

std::vector<std::vector<int>> filled(int size, int index) {
    return std::vector<std::vector<int>>(size, std::vector<int>(size, index));
}

TPxlMap emptyMask(int size) {
    TPxlMap mask;
    mask.NewImage(size, size, 1);
    mask.SetPaletteColor(0, 0);
    mask.SetPaletteColor(1, 0xFFFFFF);
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            mask.SetPixel(x, y, 0);
    return mask;
}

// A job holding a built icon of `size` whose eight border samples carry `samples`
// (top, right, bottom, left midpoints, then the corners clockwise from top-left) on a
// background of index 9 with a few index-1 pixels inside.
TJobState sampledJob(int size, const std::array<int, 8>& samples) {
    auto pixels = filled(size, 9);
    pixels[size / 2][size / 2] = 1;
    pixels[3][4] = samples[0]; // away from the border, same index as the first sample
    const int h = size / 2, l = size - 1;
    const int at[8][2] = {{h, 0}, {l, h}, {h, l}, {0, h}, {0, 0}, {l, 0}, {l, l}, {0, l}};
    for (int i = 0; i < 8; ++i)
        pixels[at[i][1]][at[i][0]] = samples[i];
    TJobState job;
    job.SourceKind = TSourceKind::Bmp;
    job.IconSize = size;
    job.IconMap = iconMap(size, 8, {0}, pixels);
    job.MaskMap = emptyMask(size);
    return job;
}

int maskedCount(TJobState& job) {
    int count = 0;
    for (int x = 0; x < job.IconSize; ++x)
        for (int y = 0; y < job.IconSize; ++y)
            count += job.MaskMap.GetPixel(x, y);
    return count;
}

bool sameMaps(const TPxlMap& a, const TPxlMap& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TJobState builtJob(const QImage& picture, int size, int bits, TCropState& crop) {
    TJobState job;
    job.SourceKind = TSourceKind::Jpg;
    job.InputImage = picture;
    job.IconSize = size;
    job.IconBPP = bits;
    EXPECT_TRUE(PrepareCrop(job, crop));
    EXPECT_TRUE(BuildIcon(job, crop));
    return job;
}

QImage photoLike(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x * 255) / width, (y * 255) / height, (x * y) % 256));
    return picture;
}

} // namespace

// --- Black to palette index 0 ------------------------------------------------------

TEST(IconBuildBlackTest, BlackAtIndexFiveTradesPlacesWithIndexZero) {
    const std::uint32_t red = 0x0000FF, green = 0x00FF00;
    auto pixels = filled(16, 2);
    pixels[0][0] = 0;
    pixels[1][1] = 5;
    pixels[2][2] = 0;
    TPxlMap map = iconMap(16, 8, {red, green, green, 0x123456, 0x654321, 0, 0}, pixels);
    MoveBlackToIndexZero(map, 16, 8);
    EXPECT_EQ(map.GetPaletteColor(0), 0u);
    EXPECT_EQ(map.GetPaletteColor(5), red);
    EXPECT_EQ(map.GetPaletteColor(6), 0u); // the second black entry stays
    EXPECT_EQ(map.GetPixel(0, 0), 5);
    EXPECT_EQ(map.GetPixel(2, 2), 5);
    EXPECT_EQ(map.GetPixel(1, 1), 0);
    EXPECT_EQ(map.GetPixel(3, 3), 2);
}

TEST(IconBuildBlackTest, BlackAlreadyAtIndexZeroChangesNothing) {
    auto pixels = filled(16, 3);
    pixels[4][4] = 0;
    TPxlMap map = iconMap(16, 4, {0, 0xFFFFFF, 0x00FF00, 0x0000FF}, pixels);
    for (int i = 4; i < 16; ++i)
        map.SetPaletteColor(static_cast<std::uint8_t>(i), 0x101010 * i);
    const TPxlMap before = map;
    MoveBlackToIndexZero(map, 16, 4);
    EXPECT_TRUE(sameMaps(map, before));
}

TEST(IconBuildBlackTest, WithoutBlackEntryZeroTurnsBlack) {
    auto pixels = filled(16, 1);
    pixels[7][7] = 0;
    TPxlMap map = iconMap(16, 4, {0xFFFFFF, 0x00FF00}, pixels);
    for (int i = 2; i < 16; ++i)
        map.SetPaletteColor(static_cast<std::uint8_t>(i), 0x0A0A0A + i);
    MoveBlackToIndexZero(map, 16, 4);
    EXPECT_EQ(map.GetPaletteColor(0), 0u);
    EXPECT_EQ(map.GetPixel(7, 7), 0);
    EXPECT_EQ(map.GetPaletteColor(1), 0x00FF00u);
}

TEST(IconBuildBlackTest, LowestBlackIndexIsTakenAndFourBitMapsLookOnlyAtSixteenEntries) {
    TPxlMap map = iconMap(16, 8, {0xFFFFFF, 1, 2, 0, 4, 5, 6, 0}, filled(16, 7));
    MoveBlackToIndexZero(map, 16, 8);
    EXPECT_EQ(map.GetPaletteColor(3), 0xFFFFFFu);
    EXPECT_EQ(map.GetPixel(0, 0), 7);

    // Entry 20 is black, but a 4-bit map has entries 0..15 only.
    TPxlMap four = iconMap(16, 4, {0xFFFFFF, 0x111111}, filled(16, 1));
    for (int i = 2; i < 16; ++i)
        four.SetPaletteColor(static_cast<std::uint8_t>(i), 0x222222);
    four.Palette[20] = 0;
    MoveBlackToIndexZero(four, 16, 4);
    EXPECT_EQ(four.GetPaletteColor(0), 0u);
    EXPECT_EQ(four.GetPixel(0, 0), 1);
}

// --- BuildIcon -------------------------------------------------------------------------

TEST(IconBuildTest, NoIconIsBuiltWithoutAPicture) {
    TJobState job;
    job.SourceKind = TSourceKind::None;
    job.InputImage = photoLike(20, 20);
    TCropState crop;
    EXPECT_FALSE(BuildIcon(job, crop));
    EXPECT_FALSE(job.IconMap.Initialized);
    EXPECT_FALSE(job.MaskMap.Initialized);
    EXPECT_TRUE(job.IconImage.isNull());
}

TEST(IconBuildTest, IconShowsTheReducedPictureWithBlackAtIndexZeroAndAnEmptyMask) {
    for (int size : {16, 32, 48}) {
        for (int bits : {4, 8}) {
            TCropState crop;
            TJobState job = builtJob(photoLike(70, 50), size, bits, crop);
            SCOPED_TRACE(testing::Message() << size << " px, " << bits << " bits");
            ASSERT_EQ(job.IconMap.GetWidth(), size);
            ASSERT_EQ(job.IconMap.GetHeight(), size);
            EXPECT_EQ(job.IconMap.GetBitCount(), bits);
            EXPECT_EQ(job.IconMap.GetPaletteColor(0), 0u);
            ASSERT_EQ(job.IconImage.size(), QSize(size, size));
            EXPECT_EQ(job.IconImage.format(), QImage::Format_Indexed8);
            // Index moves do not change what the icon looks like; only when the reduced
            // palette had no black at all do the pixels of index 0 turn black.
            bool reducedHasBlack = false;
            for (int i = 0; i < (1 << bits); ++i)
                reducedHasBlack = reducedHasBlack || (job.IconImage.color(i) & 0xFFFFFF) == 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const std::uint8_t index = job.IconMap.GetPixel(x, y);
                    ASSERT_LT(index, 1 << bits);
                    const std::uint32_t shown = job.IconMap.GetPaletteColor(index);
                    if (reducedHasBlack || index != 0)
                        ASSERT_EQ(shown, PictureColor(job.IconImage, x, y)) << x << "," << y;
                    else
                        ASSERT_EQ(shown, 0u);
                    ASSERT_EQ(job.MaskMap.GetPixel(x, y), 0);
                }
            EXPECT_EQ(job.MaskMap.GetBitCount(), 1);
            EXPECT_EQ(job.MaskMap.GetWidth(), size);
            EXPECT_EQ(job.MaskMap.GetPaletteColor(0), 0u);
            EXPECT_EQ(job.MaskMap.GetPaletteColor(1), 0xFFFFFFu);
        }
    }
}

TEST(IconBuildTest, ColourMapHeaderIsTheOneANewEightBitImageHasBroughtToTheIconDepth) {
    for (int bits : {4, 8}) {
        TCropState crop;
        TJobState job = builtJob(photoLike(40, 40), 32, bits, crop);
        TPxlMap reference;
        reference.NewImage(32, 32, 8);
        reference.SetBitCount(bits);
        EXPECT_EQ(std::memcmp(job.IconMap.Header, reference.Header, TPxlMap::HeaderSize), 0)
            << bits;
        EXPECT_EQ(job.IconMap.ReadHeaderLong(38), 2834);
        EXPECT_EQ(job.IconMap.ReadHeaderLong(46), 0);
    }
}

TEST(IconBuildTest, ReductionSeesTheAddedBlackRow) {
    // A picture without any black: the black row still puts black into the palette, and
    // the icon image is the reduction of the fitted picture with that row, minus the row.
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(qRgb(250, 240, 10));
    for (int x = 0; x < 32; ++x)
        picture.setPixel(x, x, qRgb(20, 60, 250));
    TCropState crop;
    TJobState job = builtJob(picture, 32, 4, crop);

    QImage tall(32, 33, QImage::Format_BGR888);
    tall.fill(Qt::black);
    const QImage fitted = FitPicture(job, crop);
    for (int y = 0; y < 32; ++y)
        std::memcpy(tall.scanLine(y), fitted.constScanLine(y), 96);
    const QImage reduced = MakeIndexedBitmap(tall, 7, 1, 4);
    EXPECT_EQ(job.IconImage, reduced.copy(0, 0, 32, 32));

    int blackEntries = 0;
    for (int i = 0; i < 16; ++i)
        blackEntries += job.IconMap.GetPaletteColor(i) == 0;
    EXPECT_GE(blackEntries, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_NE(job.IconMap.GetPixel(x, y), 0) << "no black pixel";
}

TEST(IconBuildTest, EventsAreServicedThroughTheView) {
    TCropState crop;
    TJobState job;
    job.SourceKind = TSourceKind::Gif;
    job.InputImage = photoLike(16, 16);
    job.IconSize = 16;
    PrepareCrop(job, crop);
    FakeWizardView view;
    EXPECT_TRUE(BuildIcon(job, crop, &view));
    EXPECT_GT(view.processEventsCount, 0);
}

// --- AutoMask --------------------------------------------------------------------------

TEST(AutoMaskTest, EightEqualSamplesMaskThatIndexEverywhere) {
    TJobState job = sampledJob(32, {4, 4, 4, 4, 4, 4, 4, 4});
    AutoMask(job);
    EXPECT_EQ(job.IconMap.GetPixel(4, 3), 0); // inside the picture, not on the border
    EXPECT_EQ(job.MaskMap.GetPixel(4, 3), 1);
    EXPECT_EQ(job.IconMap.GetPixel(0, 0), 0);
    EXPECT_EQ(maskedCount(job), 9);
    EXPECT_EQ(job.IconMap.GetPixel(5, 5), 9);
}

TEST(AutoMaskTest, TiesAtTheTopChangeNothing) {
    const std::array<int, 8> cases[] = {
        {1, 1, 1, 1, 2, 2, 2, 2}, {3, 2, 3, 2, 3, 2, 4, 5}, {1, 2, 3, 4, 5, 6, 7, 8}};
    for (const auto& samples : cases) {
        TJobState job = sampledJob(16, samples);
        const TPxlMap before = job.IconMap;
        AutoMask(job);
        EXPECT_TRUE(sameMaps(job.IconMap, before));
        EXPECT_EQ(maskedCount(job), 0);
    }
}

TEST(AutoMaskTest, SinglePairAmongSixOthersWins) {
    TJobState job = sampledJob(48, {11, 12, 13, 14, 15, 16, 17, 16});
    AutoMask(job);
    EXPECT_EQ(job.IconMap.GetPixel(47, 0), 0); // sample 6
    EXPECT_EQ(job.IconMap.GetPixel(0, 47), 0); // sample 8
    EXPECT_EQ(maskedCount(job), 2);
    EXPECT_EQ(job.IconMap.GetPixel(24, 0), 11); // the midpoint of a 48 icon is at 24
}

TEST(AutoMaskTest, MidpointsAreAtHalfTheSize) {
    for (int size : {16, 32, 48}) {
        // Four samples of 3 only at the exact midpoints, corners all different.
        TJobState job = sampledJob(size, {3, 3, 3, 3, 20, 21, 22, 23});
        AutoMask(job);
        EXPECT_EQ(job.MaskMap.GetPixel(size / 2, 0), 1) << size;
        EXPECT_EQ(job.MaskMap.GetPixel(size - 1, size / 2), 1) << size;
        EXPECT_EQ(job.MaskMap.GetPixel(size / 2 - 1, 0), 0) << size;
    }
}

TEST(AutoMaskTest, BlackBackgroundKeepsIndexZeroAndGetsMasked) {
    TJobState job = sampledJob(16, {0, 0, 0, 0, 0, 0, 0, 0});
    job.MaskMap.SetPixel(5, 5, 1); // set before: stays set although its index is 9
    AutoMask(job);
    EXPECT_EQ(job.IconMap.GetPixel(0, 0), 0);
    EXPECT_EQ(job.MaskMap.GetPixel(0, 0), 1);
    EXPECT_EQ(job.MaskMap.GetPixel(5, 5), 1);
    EXPECT_EQ(maskedCount(job), 10);
}

TEST(AutoMaskTest, SecondRunAlsoTakesTheBlackDetails) {
    // White background (index 1) with black details (index 0).
    auto pixels = filled(16, 1);
    pixels[6][6] = pixels[6][7] = pixels[9][9] = 0;
    TJobState job;
    job.SourceKind = TSourceKind::Jpg;
    job.IconSize = 16;
    job.IconMap = iconMap(16, 4, {0, 0xFFFFFF}, pixels);
    job.MaskMap = emptyMask(16);
    AutoMask(job);
    EXPECT_EQ(maskedCount(job), 256 - 3);
    EXPECT_EQ(job.MaskMap.GetPixel(6, 6), 0);
    AutoMask(job);
    EXPECT_EQ(maskedCount(job), 256);
}

TEST(AutoMaskTest, IconSourceOfTheSameSizeGetsItsOwnMask) {
    TJobState job = sampledJob(32, {4, 4, 4, 4, 4, 4, 4, 4});
    job.SourceKind = TSourceKind::Ico;
    job.SourceMaskMap = emptyMask(32);
    job.SourceMaskMap.SetPixel(1, 2, 1);
    const TPxlMap colours = job.IconMap;
    AutoMask(job);
    EXPECT_TRUE(sameMaps(job.MaskMap, job.SourceMaskMap));
    EXPECT_TRUE(sameMaps(job.IconMap, colours));

    // At another size the border is sampled as for any picture.
    TJobState other = sampledJob(16, {4, 4, 4, 4, 4, 4, 4, 4});
    other.SourceKind = TSourceKind::Ico;
    other.SourceMaskMap = emptyMask(32);
    AutoMask(other);
    EXPECT_EQ(maskedCount(other), 9);
}

// A picture with alpha: every icon pixel whose sampled source pixel is less than half
// opaque is masked from the start and black (index 0), its colour takes no palette entry,
// Auto-Mask restores exactly that mask; scaling and cropping sample different pixels.
TEST(AlphaMaskTest, TransparentSourcePixelsMaskTheIconAsTheFittingSamplesThem) {
    QImage picture(64, 40, QImage::Format_ARGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x) // red and barely visible every third column, blue else
            picture.setPixel(x, y, x % 3 == 0 ? qRgba(255, 0, 0, 127) : qRgba(0, 0, 255, 128));
    for (const int sizing : {0, 1}) {
        SCOPED_TRACE(sizing);
        TCropState crop;
        TJobState job;
        job.SourceKind = TSourceKind::Png;
        job.InputImage = picture;
        job.IconSize = 16;
        job.IconBPP = 4;
        job.Sizing = static_cast<TSizing>(sizing);
        ASSERT_TRUE(PrepareCrop(job, crop));
        ASSERT_TRUE(BuildIcon(job, crop));
        for (int x = 0; x < 16; ++x) {
            // Scaling takes column 4x, the crop square at the corner column 15x / 16.
            const bool clear = (sizing == 0 ? 4 * x : 15 * x / 16) % 3 == 0;
            for (int y = 0; y < 16; ++y) {
                EXPECT_EQ(job.MaskMap.GetPixel(x, y), clear ? 1 : 0) << x << "," << y;
                EXPECT_TRUE(!clear || job.IconMap.GetPixel(x, y) == 0);
            }
        }
        for (int i = 0; i < 16; ++i)
            EXPECT_NE(job.IconMap.GetPaletteColor(static_cast<std::uint8_t>(i)), 0x0000FFu);
        const TPxlMap built = job.MaskMap;
        job.MaskMap.SetPixel(0, 0, 0);
        job.MaskMap.SetPixel(1, 1, 1);
        AutoMask(job);
        EXPECT_TRUE(sameMaps(job.MaskMap, built));
    }
}

TEST(AutoMaskTest, NothingIsMaskedWithoutAPicture) {
    TJobState job = sampledJob(16, {4, 4, 4, 4, 4, 4, 4, 4});
    job.SourceKind = TSourceKind::None;
    AutoMask(job);
    EXPECT_EQ(maskedCount(job), 0);
}
