#include "ImageTestSupport.h"
#include "image/ImageErrors.h"
#include "image/PxlMap.h"
#include "utils/TestUtils.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testutil::Put32;

Bytes Encode(TPxlMap map) {
    QByteArray bytes;
    if (!map.EncodeBMP(bytes)) throw std::runtime_error("EncodeBMP failed");
    return Bytes(bytes.begin(), bytes.end());
}

void ExpectRefused(TPxlMap& map, int number) {
    EXPECT_EQ(map.ErrorNo, number);
    EXPECT_FALSE(map.Initialized);
}

// Loads `bytes` written to a file of the given name into a fresh map.
TPxlMap LoadBytes(const testutil::TempDir& dir, const Bytes& bytes, bool* result = nullptr,
                  const std::string& name = "x.bmp") {
    testutil::writeFile(dir / name, bytes);
    TPxlMap map{};
    const bool ok = map.LoadFromBMP(Q(dir / name));
    if (result) *result = ok;
    return map;
}

TEST(PxlMapBmpSave, FileLayoutAndByteCounts) {
    testutil::TempDir dir;
    struct Case {
        int size, bits;
        std::size_t fileSize;
        std::size_t offBits;
    };
    for (const Case c : {Case{32, 8, 2102, 1078}, Case{16, 4, 246, 118}, Case{16, 1, 126, 62}}) {
        SCOPED_TRACE(testing::Message() << c.size << "@" << c.bits);
        TPxlMap map = imagetest::PatternMap(c.size, c.size, c.bits);
        ASSERT_TRUE(map.SaveToBMP(Q(dir / "out.bmp")));
        EXPECT_EQ(map.ErrorNo, 0);
        const Bytes file = testutil::readFile(dir / "out.bmp");
        ASSERT_EQ(file.size(), c.fileSize);
        EXPECT_EQ(std::memcmp(file.data(), map.Header, 54), 0);
        EXPECT_EQ(std::memcmp(file.data() + 54, map.Palette, c.offBits - 54), 0);
        Bytes packed(static_cast<std::size_t>(map.PackedSize()), 0);
        map.ExportBits(packed);
        EXPECT_TRUE(std::equal(packed.begin(), packed.end(), file.begin() + c.offBits));
    }
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(PxlMapBmpSave, EmptyMapSavesNothing) {
    testutil::TempDir dir;
    TPxlMap map{};
    EXPECT_FALSE(map.SaveToBMP(Q(dir / "out.bmp")));
    EXPECT_EQ(map.ErrorNo, 5);
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
}

TEST(PxlMapBmpSave, FailedSaveLeavesEarlierFileAndNoLitter) {
    testutil::TempDir dir;
    TPxlMap map = imagetest::PatternMap(8, 8, 4);
    // The target is a folder: the rename fails after the content was written.
    fs::create_directory(dir / "taken.bmp");
    testutil::writeFile(dir / "taken.bmp" / "keep", {1, 2, 3});
    EXPECT_THROW(map.SaveToBMP(Q(dir / "taken.bmp")), EInOutError);
    EXPECT_EQ(testutil::readFile(dir / "taken.bmp" / "keep"), (Bytes{1, 2, 3}));
    // A folder that does not exist.
    EXPECT_THROW(map.SaveToBMP(Q(dir / "missing" / "x.bmp")), EInOutError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A successful save over an existing file replaces it completely.
    testutil::writeFile(dir / "old.bmp", Bytes(5000, 0xCC));
    ASSERT_TRUE(map.SaveToBMP(Q(dir / "old.bmp")));
    EXPECT_EQ(testutil::readFile(dir / "old.bmp"), Encode(map));
}

TEST(PxlMapBmpLoad, RoundTripKeepsEverything) {
    testutil::TempDir dir;
    for (int bits : {1, 4, 8}) {
        for (int size : {1, 7, 16, 33, 100}) {
            SCOPED_TRACE(testing::Message() << size << "@" << bits);
            TPxlMap map = imagetest::PatternMap(size, size - size / 3, bits, 3);
            ASSERT_TRUE(map.SaveToBMP(Q(dir / "r.bmp")));
            TPxlMap loaded{};
            ASSERT_TRUE(loaded.LoadFromBMP(Q(dir / "r.bmp")));
            EXPECT_EQ(loaded.ErrorNo, 0);
            EXPECT_EQ(loaded.Width, map.Width);
            EXPECT_EQ(loaded.Height, map.Height);
            EXPECT_EQ(loaded.BitCount, bits);
            EXPECT_EQ(loaded.RowStride, map.RowStride);
            EXPECT_EQ(std::memcmp(loaded.Header, map.Header, 54), 0);
            EXPECT_EQ(std::memcmp(loaded.Palette, map.Palette, 4u << bits), 0);
            for (int y = 0; y < map.Height; ++y)
                for (int x = 0; x < map.Width; ++x)
                    ASSERT_EQ(loaded.GetPixel(x, y), map.GetPixel(x, y));
        }
    }
}

TEST(PxlMapBmpLoad, NameAndSignatureChecks) {
    testutil::TempDir dir;
    const Bytes good = Encode(imagetest::PatternMap(4, 4, 8));
    bool ok = false;
    TPxlMap upper = LoadBytes(dir, good, &ok, "UPPER.BMP");
    EXPECT_TRUE(ok);
    EXPECT_EQ(upper.Width, 4);

    TPxlMap dib = LoadBytes(dir, good, &ok, "valid.dib");
    EXPECT_FALSE(ok);
    ExpectRefused(dib, 3);
    EXPECT_EQ(dib.GetErrorText(), QString("Unknown format BMP"));

    TPxlMap text = LoadBytes(dir, {'h', 'e', 'l', 'l', 'o'}, &ok, "notes.txt");
    EXPECT_FALSE(ok);
    ExpectRefused(text, 2);
    EXPECT_EQ(text.GetErrorText(), QString("File is not BMP"));
    TPxlMap noDot = LoadBytes(dir, {}, &ok, "bmp");
    ExpectRefused(noDot, 2);

    // A JPEG named .bmp is only ever refused, from the header size it does not have.
    TPxlMap jpeg = LoadBytes(dir, {0xFF, 0xD8, 0xFF, 0xE0, 0,    16, 'J',  'F', 'I', 'F',
                                   0,    1,    1,    0,    0x48, 0,  0x48, 0,   0,   0},
                             &ok, "photo.bmp");
    EXPECT_FALSE(ok);
    ExpectRefused(jpeg, 3);

    TPxlMap missing{};
    EXPECT_FALSE(missing.LoadFromBMP(Q(dir / "nothing.bmp")));
    EXPECT_EQ(missing.ErrorNo, 1);
    EXPECT_EQ(missing.GetErrorText(), QString("File to be loaded does not exists."));
    fs::create_directory(dir / "folder.bmp");
    EXPECT_FALSE(missing.LoadFromBMP(Q(dir / "folder.bmp")));
    EXPECT_EQ(missing.ErrorNo, 1);
}

TEST(PxlMapBmpLoad, RefusalsLeaveTheMapEmptyAndReusable) {
    testutil::TempDir dir;
    TPxlMap deep = imagetest::PatternMap(4, 4, 8);
    Bytes deepBytes = Encode(deep);
    deepBytes[28] = 24;
    bool ok = true;
    TPxlMap map = LoadBytes(dir, deepBytes, &ok);
    EXPECT_FALSE(ok);
    ExpectRefused(map, 8);
    EXPECT_EQ(map.GetErrorText(), QString("Not support picture with BPP=24"));
    // No Clear needed before the next load.
    testutil::writeFile(dir / "good.bmp", Encode(imagetest::PatternMap(5, 5, 4)));
    EXPECT_TRUE(map.LoadFromBMP(Q(dir / "good.bmp")));
    EXPECT_EQ(map.ErrorNo, 0);

    // A full map is refused and keeps its picture.
    const TPxlMap before = map;
    EXPECT_FALSE(map.LoadFromBMP(Q(dir / "good.bmp")));
    EXPECT_EQ(map.ErrorNo, 6);
    EXPECT_EQ(map.GetErrorText(), QString("Image not empty. Clear first before load."));
    EXPECT_TRUE(map.Initialized);
    EXPECT_EQ(std::memcmp(map.Pixels, before.Pixels, sizeof map.Pixels), 0);

    Bytes wide = Encode(imagetest::PatternMap(10, 10, 8));
    Put32(wide, 18, 257);
    TPxlMap tooWide = LoadBytes(dir, wide);
    ExpectRefused(tooWide, 4);
    EXPECT_EQ(tooWide.GetErrorText(), QString("Image too large."));
    // Size before depth: a large 24-bit picture is too large.
    wide[28] = 24;
    TPxlMap both = LoadBytes(dir, wide);
    ExpectRefused(both, 4);
    // A bit-count field of 0 reads as 24.
    Bytes zeroDepth = Encode(imagetest::PatternMap(10, 10, 8));
    zeroDepth[28] = 0;
    TPxlMap zero = LoadBytes(dir, zeroDepth);
    ExpectRefused(zero, 8);
    EXPECT_EQ(zero.GetErrorText(), QString("Not support picture with BPP=24"));
}

TEST(PxlMapBmpLoad, ColoursUsedLoadsThatManyEntries) {
    testutil::TempDir dir;
    TPxlMap source = imagetest::PatternMap(8, 8, 8);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            source.SetPixel(x, y, static_cast<std::uint8_t>((x + y) % 20));
    source.WriteHeaderLong(46, 20);
    source.WriteHeaderLong(10, 54 + 20 * 4);
    source.WriteHeaderLong(2, 54 + 20 * 4 + 64);
    const Bytes file = Encode(source);
    ASSERT_EQ(file.size(), 54u + 20 * 4 + 64);
    testutil::writeFile(dir / "c.bmp", file);
    // The rest of the palette keeps what the map held.
    TPxlMap map{};
    for (auto& entry : map.Palette)
        entry = 0x00ABCDEF;
    ASSERT_TRUE(map.LoadFromBMP(Q(dir / "c.bmp")));
    EXPECT_EQ(map.GetColorsUsed(), 20);
    EXPECT_EQ(std::memcmp(map.Palette, source.Palette, 20 * 4), 0);
    EXPECT_EQ(map.Palette[20], 0x00ABCDEFu);
    EXPECT_EQ(map.Palette[255], 0x00ABCDEFu);
    EXPECT_EQ(map.GetPixel(7, 7), 14);
}

TEST(PxlMapBmpLoad, FilesOutsideTheDesignAreRefusedWithError3) {
    testutil::TempDir dir;
    const Bytes good = Encode(imagetest::PatternMap(10, 6, 8));
    struct Patch {
        const char* what;
        std::size_t pos;
        std::uint32_t value;
    };
    const Patch patches[] = {
        {"run-length compression", 30, 1},
        {"bit fields", 30, 3},
        {"top-down rows", 22, static_cast<std::uint32_t>(-6)},
        {"zero width", 18, 0},
        {"zero height", 22, 0},
        {"colours used 5000", 46, 5000},
        {"colours used 257", 46, 257},
        {"image size below the rows", 34, 59},
        {"image size past the file", 34, 0x7FFFFFFF},
        {"pixel offset past the file", 10, 0xFFFFFFF0},
        {"pixel offset inside the header", 10, 20},
        {"info header 108", 14, 108},
        {"info header 296", 14, 296},
    };
    for (const auto& p : patches) {
        SCOPED_TRACE(p.what);
        Bytes bytes = good;
        Put32(bytes, p.pos, p.value);
        bool ok = true;
        TPxlMap map = LoadBytes(dir, bytes, &ok);
        EXPECT_FALSE(ok);
        ExpectRefused(map, 3);
        EXPECT_EQ(map.GetErrorText(), QString("Unknown format BMP"));
    }
    // An image-size field larger than the rows is fine while the file holds it.
    Bytes padded = good;
    padded.resize(padded.size() + 40, 0);
    Put32(padded, 34, 60 + 40);
    bool ok = false;
    LoadBytes(dir, padded, &ok);
    EXPECT_TRUE(ok);
}

TEST(PxlMapBmpLoad, ABitmapCutShortAtAnyLengthIsRefused) {
    testutil::TempDir dir;
    for (int bits : {1, 4, 8}) {
        const Bytes good = Encode(imagetest::PatternMap(9, 5, bits));
        for (std::size_t length = 0; length < good.size(); ++length) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << length << " bytes");
            bool ok = true;
            TPxlMap map = LoadBytes(dir, Bytes(good.begin(), good.begin() + length), &ok);
            ASSERT_FALSE(ok);
            ExpectRefused(map, 3);
        }
    }
}

// The short OS/2 header form: 16-bit sizes and 3-byte palette entries.
Bytes CoreHeaderBitmap() {
    const int width = 5, height = 3, colors = 16;
    const int stride = 4;
    Bytes b(14 + 12 + 3 * colors + stride * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, 14 + 12 + 3 * colors);
    Put32(b, 14, 12);
    b[18] = width;
    b[20] = height;
    b[22] = 1;
    b[24] = 4;
    for (int i = 0; i < colors; ++i) {
        b[26 + 3 * i] = static_cast<std::uint8_t>(i * 16);      // blue
        b[26 + 3 * i + 1] = static_cast<std::uint8_t>(255 - i); // green
        b[26 + 3 * i + 2] = static_cast<std::uint8_t>(i * 3);   // red
    }
    const std::size_t rows = 14 + 12 + 3 * colors;
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < 3; ++i)
            b[rows + r * stride + i] = static_cast<std::uint8_t>(
                ((r * 5 + 2 * i) << 4) | (i < 2 ? r * 5 + 2 * i + 1 : 0)); // no padding bits
    return b;
}

TEST(PxlMapBmpLoad, ShortInfoHeaderForm) {
    testutil::TempDir dir;
    const Bytes file = CoreHeaderBitmap();
    bool ok = false;
    TPxlMap map = LoadBytes(dir, file, &ok);
    ASSERT_TRUE(ok) << map.GetErrorText().toStdString();
    EXPECT_EQ(map.InfoSize, 12);
    EXPECT_EQ(map.Width, 5);
    EXPECT_EQ(map.Height, 3);
    EXPECT_EQ(map.BitCount, 4);
    EXPECT_EQ(map.GetPaletteColor(2), (6u) | (253u << 8) | (32u << 16));
    // Bottom row first: the top row is the last one in the file.
    EXPECT_EQ(map.GetPixel(0, 2), 0);
    EXPECT_EQ(map.GetPixel(4, 0), 14);

    // Saved again it is the same file, and Qt's reader sees the same picture.
    QByteArray bytes;
    ASSERT_TRUE(map.EncodeBMP(bytes));
    const Bytes again(bytes.begin(), bytes.end());
    ASSERT_EQ(again.size(), file.size());
    for (std::size_t i = 0; i < file.size(); ++i)
        EXPECT_EQ(again[i], file[i]) << "byte " << i;
    QImage picture;
    map.CopyToPicture(picture);
    ASSERT_EQ(picture.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.pixel(x, y) & 0xFFFFFF,
                      imagetest::Argb(map, nullptr, x, y) & 0xFFFFFF);
}

TEST(PxlMapBmpPicture, CopyToPictureKeepsDepthAndPixels) {
    const struct {
        int bits;
        QImage::Format format;
    } cases[] = {
        {1, QImage::Format_Mono}, {4, QImage::Format_Indexed8}, {8, QImage::Format_Indexed8}};
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        TPxlMap map = imagetest::PatternMap(21, 13, c.bits, 9);
        QImage picture;
        map.CopyToPicture(picture);
        EXPECT_EQ(picture.format(), c.format);
        ASSERT_EQ(picture.size(), QSize(21, 13));
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(picture.pixel(x, y), imagetest::Argb(map, nullptr, x, y));
    }
    // The hand-over leaves no file behind in the current folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 0);

    TPxlMap empty{};
    QImage picture(4, 4, QImage::Format_RGB32);
    EXPECT_THROW(empty.CopyToPicture(picture), EPictureError);
    EXPECT_EQ(empty.ErrorNo, 5);
    EXPECT_EQ(picture.size(), QSize(4, 4));
}

TEST(PxlMapBmpClients, PillowReadsSavedBitmapsPixelForPixel) {
    testutil::TempDir dir;
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        TPxlMap map = imagetest::PatternMap(37, 23, bits, 4);
        ASSERT_TRUE(map.SaveToBMP(Q(dir / "p.bmp")));
        const auto decoded = imagetest::DecodeWithPillow(dir / "p.bmp");
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ASSERT_EQ(decoded.width, 37);
        ASSERT_EQ(decoded.height, 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(decoded.argb[y * 37 + x], imagetest::Argb(map, nullptr, x, y))
                    << x << "," << y;
    }
}

// Every bitmap of the shared suites: no crash; what the map takes matches Qt's reader.
TEST(PxlMapBmpClients, SharedBitmapsLoadOrAreRefused) {
    int loaded = 0;
    int files = 0;
    for (const char* folder : {"bmp", "bad/bmp"}) {
        for (const auto& entry :
             fs::recursive_directory_iterator(testutil::testDataDir() / folder)) {
            if (!entry.is_regular_file() || entry.path().extension() != ".bmp") continue;
            ++files;
            SCOPED_TRACE(entry.path().string());
            TPxlMap map{};
            if (!map.LoadFromBMP(Q(entry.path()))) {
                EXPECT_FALSE(map.Initialized);
                EXPECT_TRUE(map.ErrorNo == 3 || map.ErrorNo == 4 || map.ErrorNo == 8)
                    << map.ErrorNo;
                continue;
            }
            ++loaded;
            // Signature and planes are not examined, so a file Qt refuses may load: then
            // Pillow is the reference.
            const QImage qt(Q(entry.path()), "BMP");
            const auto pillow = imagetest::DecodeWithPillow(entry.path());
            if (qt.isNull() && !pillow.ok) continue;
            // The suite's questionable files (an OS/2 palette shorter than its depth, ...)
            // are read differently by every reader; the map need only take them cleanly.
            if (entry.path().parent_path().filename() == "q") continue;
            ASSERT_EQ(qt.isNull() ? QSize(pillow.width, pillow.height) : qt.size(),
                      QSize(map.Width, map.Height));
            for (int y = 0; y < map.Height; ++y)
                for (int x = 0; x < map.Width; ++x)
                    ASSERT_EQ((qt.isNull() ? pillow.argb[y * map.Width + x] : qt.pixel(x, y)) &
                                  0xFFFFFF,
                              imagetest::Argb(map, nullptr, x, y) & 0xFFFFFF);
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_GE(loaded, 3); // the 6 x 6 1-, 4- and 8-bit files at least
}

} // namespace
