// Icon files whose header or directory cannot be true: refused as not being icon files,
// or their images left unread, without touching what sound files read as.
#include "HardeningSupport.h"

#include "image/IconLib.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;
using hardening::Bytes;
using testutil::Put16;
using testutil::Put32;

namespace {

// A two-image icon file (16 x 16 at 4 bits, then 32 x 32 at 8 bits) written by the
// program's own writer: entries at 6 and 22, images after them.
Bytes TwoImageIcon(const fs::path& path) {
    for (int size : {16, 32}) {
        TPxlMap color{}, mask{};
        color.NewImage(size, size, size == 16 ? 4 : 8);
        mask.NewImage(size, size, 1);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                color.SetPixel(x, y, static_cast<std::uint8_t>((x + 2 * y) % 16));
                mask.SetPixel(x, y, x < 3 ? 1 : 0);
            }
        }
        WriteIconImage(Q(path), -1, color, mask);
    }
    return testutil::readFile(path);
}

// Reads image `index` of `bytes` (saved as a file); true when the maps were filled.
// Throws what the reader throws.
bool ReadsImage(const testutil::TempDir& dir, const Bytes& bytes, int index,
                std::int32_t* count = nullptr) {
    const fs::path file = dir / "probe.ico";
    testutil::writeFile(file, bytes);
    TPxlMap color{}, mask{};
    const std::int32_t n = ReadIconImage(Q(file), index, color, mask);
    if (count) *count = n;
    EXPECT_EQ(color.Initialized, mask.Initialized);
    return color.Initialized;
}

std::string Refusal(const testutil::TempDir& dir, const Bytes& bytes) {
    try {
        ReadsImage(dir, bytes, 0);
    } catch (const EInvalidIcon& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(IconHardening, OnlyReservedZeroAndTypeOneMakeAnIconFile) {
    testutil::TempDir dir;
    const Bytes good = TwoImageIcon(dir / "good.ico");
    ASSERT_TRUE(ReadsImage(dir, good, 0));
    for (auto [at, value] : {std::pair<std::size_t, std::uint32_t>{0, 1},
                             {0, 0x100},
                             {2, 0},
                             {2, 2},
                             {2, 3},
                             {2, 0x101}}) {
        SCOPED_TRACE(testing::Message() << at << "=" << value);
        Bytes bytes = good;
        Put16(bytes, at, value);
        EXPECT_EQ(Refusal(dir, bytes), "Icon file is not valid");
        testutil::writeFile(dir / "bad.ico", bytes);
        const LoadResult load = LoadWithLoader(dir / "bad.ico");
        EXPECT_FALSE(load.Ok);
        EXPECT_EQ(load.Message,
                  QStringLiteral("Picture error: Cannot load picture ") + Q(dir / "bad.ico"));
    }
}

TEST(IconHardening, AnEntryByteCountBelowTheInfoHeaderLeavesThatImageUnread) {
    testutil::TempDir dir;
    const Bytes good = TwoImageIcon(dir / "good.ico");
    // The count still comes back and the other image reads as before.
    for (std::uint32_t size : {0u, 4u, 39u}) {
        SCOPED_TRACE(size);
        Bytes bytes = good;
        Put32(bytes, 6 + 8, size);
        std::int32_t count = 0;
        EXPECT_FALSE(ReadsImage(dir, bytes, 0, &count));
        EXPECT_EQ(count, 2);
        EXPECT_TRUE(ReadsImage(dir, bytes, 1));
        testutil::writeFile(dir / "bad.ico", bytes);
        EXPECT_FALSE(LoadWithLoader(dir / "bad.ico").Ok);
        EXPECT_TRUE(LoadWithLoader(dir / "bad.ico", 1).Ok);
    }
    // The field is not otherwise used: from the info header's 40 bytes up, even past the
    // end of the file, the image reads as it is.
    for (std::uint32_t size : {40u, 296u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(size);
        Bytes bytes = good;
        Put32(bytes, 6 + 8, size);
        EXPECT_TRUE(ReadsImage(dir, bytes, 0));
    }
}

TEST(IconHardening, AColoursUsedFieldAboveWhatTheDepthIndexesLeavesTheImageUnread) {
    testutil::TempDir dir;
    const Bytes good = TwoImageIcon(dir / "good.ico");
    const std::size_t info = 6 + 2 * 16; // the 4-bit image's info header
    for (std::uint32_t used : {17u, 256u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(used);
        Bytes bytes = good;
        Put32(bytes, info + 32, used);
        EXPECT_FALSE(ReadsImage(dir, bytes, 0));
        EXPECT_TRUE(ReadsImage(dir, bytes, 1));
        testutil::writeFile(dir / "bad.ico", bytes);
        EXPECT_FALSE(LoadWithLoader(dir / "bad.ico").Ok);
    }
    // Up to 2^bits the field says how many palette entries are stored.
    for (std::uint32_t used : {0u, 16u}) {
        Bytes bytes = good;
        Put32(bytes, info + 32, used);
        EXPECT_TRUE(ReadsImage(dir, bytes, 0)) << used;
    }
}

// Found while fuzzing (a time-out that turned out to be the machine stalling in the
// harness's own file write): a 7-image directory of overlapping, partly absurd entries.
// Every image either reads into square maps of at most 256 pixels that hand over as a
// picture of that size, or is refused as not valid; nothing else is thrown.
TEST(IconHardening, FuzzedOverlappingDirectoryReadsOrRefusesEachImageCleanly) {
    static const char* const base64 =
        "AAABAAcAGBAAAAEAAABoBQAANgAAACAgEAABAAAAsAAAABIAAAAoAAAAEAAAABEREA8AAAAAAAAAAAEAAQ"
        "ABAAcAGBAAAAEAAABoBQAANgAAAHAQAFVVAAAAAAAAAAAAAAAAAABAAJIAAAAAAAAAAAAAEREQDwAAAAAA"
        "AAD/9gBAAAAAEgsAABLvcBAAVVUAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
        "AAAAAAAFVVAABVVQAAAFWrVQAAVXJlLmwA9Q==";
    const QByteArray raw = QByteArray::fromBase64(base64);
    ASSERT_EQ(raw.size(), 211);
    testutil::TempDir dir;
    const fs::path file = dir / "fuzzed.ico";
    testutil::writeFile(file, Bytes(raw.begin(), raw.end()));
    for (int index = 0; index < 7; ++index) {
        SCOPED_TRACE(index);
        TPxlMap color{}, mask{};
        try {
            EXPECT_EQ(ReadIconImage(Q(file), index, color, mask), 7);
        } catch (const EInvalidIcon& e) {
            EXPECT_STREQ(e.what(), "Icon file is not valid");
            continue;
        }
        if (!color.Initialized) continue;
        EXPECT_EQ(color.Width, color.Height);
        EXPECT_LE(color.Width, TPxlMap::MaxSize);
        QImage picture;
        color.CopyToPicture(picture);
        EXPECT_EQ(picture.size(), QSize(color.Width, color.Height));
    }
}
