#include "image/PxlMap.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct HeaderFields {
    int rowStride, imageSize, fileSize, offBits, important;
};

void ExpectError(TPxlMap& map, int number, const char* text) {
    EXPECT_EQ(map.ErrorNo, number);
    EXPECT_EQ(map.GetErrorText(), QString::fromLatin1(text));
}

TEST(PxlMapLifeCycle, NewImageWritesTheBitmapHeader) {
    struct Case {
        int size, bits;
        HeaderFields expected;
    };
    const Case cases[] = {
        {16, 1, {4, 64, 126, 62, 2}},         {32, 4, {16, 512, 630, 118, 16}},
        {32, 8, {32, 1024, 2102, 1078, 256}}, {100, 8, {100, 10000, 11078, 1078, 256}},
        {3, 4, {4, 12, 130, 118, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << "x" << c.size << "@" << c.bits);
        TPxlMap map{};
        ASSERT_TRUE(map.NewImage(c.size, c.size, c.bits));
        EXPECT_TRUE(map.Initialized);
        EXPECT_EQ(map.RowStride, c.expected.rowStride);
        EXPECT_EQ(map.GetImageSize(), c.expected.imageSize);
        EXPECT_EQ(map.ReadHeaderLong(2), c.expected.fileSize);
        EXPECT_EQ(map.GetOffBits(), c.expected.offBits);
        EXPECT_EQ(map.ReadHeaderLong(50), c.expected.important);
        EXPECT_EQ(map.Header[0], 'B');
        EXPECT_EQ(map.Header[1], 'M');
        EXPECT_EQ(map.ReadHeaderLong(6), 0);
        EXPECT_EQ(map.GetInfoSize(), 40);
        EXPECT_EQ(map.GetWidth(), c.size);
        EXPECT_EQ(map.GetHeight(), c.size);
        EXPECT_EQ(map.Header[26] | (map.Header[27] << 8), 1);
        EXPECT_EQ(map.GetBitCount(), c.bits);
        EXPECT_EQ(map.ReadHeaderLong(30), 0);
        EXPECT_EQ(map.ReadHeaderLong(34), c.expected.imageSize);
        EXPECT_EQ(map.ReadHeaderLong(38), 2834);
        EXPECT_EQ(map.ReadHeaderLong(42), 2834);
        EXPECT_EQ(map.ReadHeaderLong(46), 0);
        EXPECT_EQ(map.GetColorsUsed(), TPxlMap::ColorCount(c.bits));
        EXPECT_EQ(map.ErrorNo, 0);
    }
}

TEST(PxlMapLifeCycle, NewImageRefusalsInCheckOrder) {
    TPxlMap map{};
    EXPECT_FALSE(map.NewImage(257, 1, 8));
    ExpectError(map, 4, "Image too large.");
    EXPECT_FALSE(map.Initialized);
    EXPECT_FALSE(map.NewImage(1, 257, 8));
    ExpectError(map, 4, "Image too large.");
    // The depth is looked at before the size.
    EXPECT_FALSE(map.NewImage(500, 500, 24));
    ExpectError(map, 8, "Not support picture with BPP=24");
    EXPECT_FALSE(map.NewImage(16, 16, 2));
    ExpectError(map, 8, "Not support picture with BPP=2");
    EXPECT_FALSE(map.NewImage(-1, 16, 8));
    EXPECT_EQ(map.ErrorNo, 4);
    EXPECT_FALSE(map.Initialized);

    ASSERT_TRUE(map.NewImage(8, 8, 4));
    map.SetPixel(3, 3, 9);
    const TPxlMap before = map;
    // A full map is refused before anything else and keeps its picture.
    EXPECT_FALSE(map.NewImage(16, 16, 24));
    ExpectError(map, 7, "Image not empty. Clear first before new.");
    EXPECT_EQ(std::memcmp(map.Header, before.Header, sizeof map.Header), 0);
    EXPECT_EQ(map.Width, 8);
    EXPECT_EQ(map.GetPixel(3, 3), 9);
}

TEST(PxlMapLifeCycle, ClearEmptiesAndKeepsContent) {
    TPxlMap map{};
    EXPECT_FALSE(map.Clear());
    ExpectError(map, 5, "BMP have not been initialized.");

    ASSERT_TRUE(map.NewImage(4, 4, 8));
    map.SetPixel(1, 2, 77);
    EXPECT_TRUE(map.Clear());
    EXPECT_FALSE(map.Initialized);
    EXPECT_EQ(map.ErrorNo, 0);
    EXPECT_TRUE(map.GetErrorText().isEmpty());
    // NewImage keeps whatever pixels and palette the map held.
    ASSERT_TRUE(map.NewImage(4, 4, 8));
    EXPECT_EQ(map.GetPixel(1, 2), 77);
}

TEST(PxlMapLifeCycle, EmptyMapRefusesEveryOperation) {
    TPxlMap map{};
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_EQ(map.GetPixel(0, 0), 0);
    EXPECT_EQ(map.ErrorNo, 5);
    map.ErrorNo = 0;
    map.SetPixel(0, 0, 1);
    EXPECT_EQ(map.ErrorNo, 5);
    map.ErrorNo = 0;
    EXPECT_EQ(map.GetPaletteColor(0), 0u);
    EXPECT_EQ(map.ErrorNo, 5);
    map.ErrorNo = 0;
    map.SetBitCount(4);
    EXPECT_EQ(map.ErrorNo, 5);
    EXPECT_FALSE(map.ImportPalette(buffer));
    EXPECT_FALSE(map.ExportPalette(buffer));
    EXPECT_FALSE(map.ImportBits(buffer));
    EXPECT_FALSE(map.ExportBits(buffer));
    EXPECT_EQ(map.GetOffBits(), 0);
    EXPECT_EQ(map.GetWidth(), 0);
    EXPECT_EQ(map.GetBitCount(), 0);
    EXPECT_EQ(map.GetImageSize(), 0);
    EXPECT_EQ(map.GetColorsUsed(), 0);
    ExpectError(map, 5, "BMP have not been initialized.");
    EXPECT_FALSE(map.Initialized);
}

TEST(PxlMapLifeCycle, CopyIsAFullIndependentValue) {
    TPxlMap map = imagetest::PatternMap(10, 10, 8);
    map.GetPixel(-1, 0); // leaves an error to be copied too
    TPxlMap copy = map;
    EXPECT_TRUE(imagetest::SameMap(copy, map));
    copy.SetPixel(0, 0, 200);
    EXPECT_NE(map.GetPixel(0, 0), 200);
    EXPECT_EQ(copy.GetErrorText(), QString("Requested pixel is not in picture area."));
}

TEST(PxlMapDepth, SetBitCountRewritesHeaderAndFoldsPixels) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(32, 32, 8));
    map.SetPixel(0, 0, 200);
    map.SetPixel(1, 0, 15);
    map.SetPixel(31, 31, 255);
    map.SetBitCount(4);
    EXPECT_EQ(map.ErrorNo, 0);
    EXPECT_EQ(map.GetPixel(0, 0), 8);
    EXPECT_EQ(map.GetPixel(1, 0), 15);
    EXPECT_EQ(map.GetPixel(31, 31), 15);
    EXPECT_EQ(map.GetBitCount(), 4);
    EXPECT_EQ(map.RowStride, 16);
    EXPECT_EQ(map.GetImageSize(), 512);
    EXPECT_EQ(map.ReadHeaderLong(2), 630);
    EXPECT_EQ(map.GetOffBits(), 118);
    EXPECT_EQ(map.ReadHeaderLong(50), 16);

    map.SetBitCount(1);
    EXPECT_EQ(map.GetPixel(0, 0), 0);
    EXPECT_EQ(map.GetPixel(1, 0), 1);
    EXPECT_EQ(map.RowStride, 4);
    EXPECT_EQ(map.ReadHeaderLong(50), 2);
    EXPECT_EQ(map.GetOffBits(), 62);
}

TEST(PxlMapDepth, SameDepthOrRefusedDepthChangesNothing) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(8, 8, 8));
    map.WriteHeaderLong(46, 20); // colours used, as a loaded file might say
    map.SetPixel(2, 2, 200);
    map.GetPixel(99, 0); // an earlier error stays when nothing is done
    const TPxlMap before = map;
    map.SetBitCount(8);
    EXPECT_TRUE(imagetest::SameMap(map, before));

    map.SetBitCount(24);
    ExpectError(map, 8, "Not support picture with BPP=24");
    EXPECT_EQ(std::memcmp(map.Header, before.Header, sizeof map.Header), 0);
    EXPECT_EQ(map.GetPixel(2, 2), 200);
}

TEST(PxlMapPixels, BoundsAndIndexChecks) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(5, 3, 4));
    for (auto [x, y] : {std::pair{-1, 0}, {5, 0}, {0, 3}, {0, -1}}) {
        map.ErrorNo = 0;
        EXPECT_EQ(map.GetPixel(x, y), 0);
        ExpectError(map, 11, "Requested pixel is not in picture area.");
    }
    map.SetPixel(4, 2, 15);
    EXPECT_EQ(map.GetPixel(4, 2), 15);
    // A successful access leaves the earlier error visible.
    EXPECT_EQ(map.ErrorNo, 11);

    map.SetPixel(5, 0, 1);
    EXPECT_EQ(map.ErrorNo, 11);
    map.SetPixel(0, 0, 3);
    map.SetPixel(0, 0, 16);
    ExpectError(map, 12, "Specific color index is out of palette range.");
    EXPECT_EQ(map.GetPixel(0, 0), 3);
    // Pixels are stored column by column.
    EXPECT_EQ(map.Pixels[4][2], 15);

    TPxlMap mono{};
    ASSERT_TRUE(mono.NewImage(4, 4, 1));
    mono.SetPixel(0, 0, 2);
    EXPECT_EQ(mono.ErrorNo, 12);
}

TEST(PxlMapPixels, PaletteColoursSwapRedAndBlue) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(4, 4, 4));
    map.SetPaletteColor(1, 0xAAFF0000u); // pure blue; the fourth byte is dropped
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&map.Palette[1]);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x00);
    EXPECT_EQ(map.GetPaletteColor(1), 0x00FF0000u);
    map.SetPaletteColor(2, 0x00123456u);
    EXPECT_EQ(map.Palette[2], 0x00563412u);
    EXPECT_EQ(map.ErrorNo, 0);
    EXPECT_EQ(map.GetPaletteColor(16), 0xFFFFFFFFu);
    ExpectError(map, 12, "Specific color index is out of palette range.");
    map.SetPaletteColor(16, 0x123456);
    EXPECT_EQ(map.Palette[16], 0u);
    EXPECT_EQ(TPxlMap::SwapRB(0xFF123456u), 0x00563412u);
}

TEST(PxlMapPixels, PaletteImportExportUseColoursUsed) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(4, 4, 4));
    std::vector<std::uint8_t> in(64);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(map.ImportPalette(in));
    EXPECT_EQ(map.Palette[0], 0x04030201u);
    EXPECT_EQ(map.Palette[15], 0x403F3E3Du);
    std::vector<std::uint8_t> out(64, 0xEE);
    ASSERT_TRUE(map.ExportPalette(out));
    EXPECT_EQ(out, in);
    // A colours-used field beyond the palette copies no more than the palette holds,
    // and a buffer too short for the entries is refused untouched.
    map.WriteHeaderLong(46, 5000);
    std::vector<std::uint8_t> big(5000 * 4, 0xEE);
    ASSERT_TRUE(map.ExportPalette(big));
    EXPECT_EQ(big[1024], 0xEE);
    std::vector<std::uint8_t> small(16, 0x11);
    EXPECT_FALSE(map.ImportPalette(small));
    EXPECT_EQ(map.Palette[0], 0x04030201u);
}

TEST(PxlMapPacking, LocatePixelFollowsTheBitmapRowLayout) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(16, 16, 1));
    map.LocatePixel(0, 0);
    EXPECT_EQ(map.PackedShift, 7);
    EXPECT_EQ(map.PackedMask, 0x80);
    EXPECT_EQ(map.PackedPos, 15 * map.RowStride);
    map.LocatePixel(9, 15);
    EXPECT_EQ(map.PackedShift, 6);
    EXPECT_EQ(map.PackedMask, 0x40);
    EXPECT_EQ(map.PackedPos, 1);

    TPxlMap nibbles{};
    ASSERT_TRUE(nibbles.NewImage(5, 2, 4));
    nibbles.LocatePixel(3, 0);
    EXPECT_EQ(nibbles.PackedShift, 0);
    EXPECT_EQ(nibbles.PackedMask, 0x0F);
    EXPECT_EQ(nibbles.PackedPos, 1 + 4);
}

TEST(PxlMapPacking, ExportThenImportReproducesEveryDepth) {
    for (int bits : {1, 4, 8}) {
        for (int size : {1, 3, 16, 17, 31, 48, 100}) {
            SCOPED_TRACE(testing::Message() << size << "@" << bits);
            TPxlMap map = imagetest::PatternMap(size, size, bits, 5);
            std::vector<std::uint8_t> packed(static_cast<std::size_t>(map.PackedSize()), 0xA5);
            ASSERT_TRUE(map.ExportBits(packed));
            TPxlMap copy{};
            ASSERT_TRUE(copy.NewImage(size, size, bits));
            ASSERT_TRUE(copy.ImportBits(packed));
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    ASSERT_EQ(copy.GetPixel(x, y), map.GetPixel(x, y));
        }
    }
}

TEST(PxlMapPacking, PackedBytesAreBottomUpMostSignificantFirst) {
    TPxlMap map{};
    ASSERT_TRUE(map.NewImage(3, 2, 4));
    map.SetPixel(0, 0, 0x1);
    map.SetPixel(1, 0, 0x2);
    map.SetPixel(2, 0, 0x3);
    map.SetPixel(0, 1, 0xA);
    map.SetPixel(1, 1, 0xB);
    map.SetPixel(2, 1, 0xC);
    std::vector<std::uint8_t> packed(8, 0x77);
    ASSERT_TRUE(map.ExportBits(packed));
    // Bottom row first; the padding keeps what the buffer held.
    const std::vector<std::uint8_t> expected{0xAB, 0xC7, 0x77, 0x77, 0x12, 0x37, 0x77, 0x77};
    EXPECT_EQ(packed, expected);

    std::vector<std::uint8_t> tooShort(7);
    EXPECT_FALSE(map.ExportBits(tooShort));
    EXPECT_FALSE(map.ImportBits(tooShort));
}

TEST(PxlMapHeader, InfoFormatsAndHelpers) {
    TPxlMap map{};
    EXPECT_TRUE(map.SetInfoFormat(12));
    EXPECT_EQ(map.InfoSize, 12);
    EXPECT_EQ(map.HeightPos, 20);
    EXPECT_EQ(map.BitCountPos, 24);
    EXPECT_EQ(map.SizeImagePos, 0);
    EXPECT_EQ(map.DimensionMask, 0xFFFFu);
    EXPECT_EQ(map.OptionalMask, 0u);
    EXPECT_FALSE(map.SetInfoFormat(108));
    EXPECT_EQ(map.HeightPos, 20);
    EXPECT_TRUE(map.SetInfoFormat(40));
    EXPECT_EQ(map.HeightPos, 22);
    EXPECT_EQ(map.BitCountPos, 28);
    EXPECT_EQ(map.ClrUsedPos, 46);
    EXPECT_EQ(map.ClrImportantPos, 50);

    EXPECT_EQ(TPxlMap::ColorCount(0), 1);
    EXPECT_EQ(TPxlMap::ColorCount(2), 4);
    EXPECT_EQ(TPxlMap::ColorCount(24), 16777216);
    EXPECT_EQ(TPxlMap::ColorCount(3), 0);

    ASSERT_TRUE(map.NewImage(4, 4, 8));
    map.WriteHeaderLong(40, -2);
    EXPECT_EQ(map.ReadHeaderLong(40), -2);
    EXPECT_EQ(map.Header[40], 0xFE);
    // Fields that would reach past the 54 header bytes read as 0 and are not written.
    const TPxlMap before = map;
    map.WriteHeaderLong(51, 0x01020304);
    map.WriteHeaderLong(255, 7);
    EXPECT_TRUE(imagetest::SameMap(map, before));
    EXPECT_EQ(map.ReadHeaderLong(51), 0);
    // A bit-count byte of 0 reads as 24.
    map.Header[28] = 0;
    EXPECT_EQ(map.GetBitCount(), 24);
}

} // namespace
