#include "image/IconLib.h"
#include "ImageTestSupport.h"
#include "image/ImageErrors.h"
#include "image/SafeFile.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testutil::Get16;
using testutil::Get32;
using testutil::Put32;

struct Pair {
    TPxlMap color;
    TPxlMap mask;
};

Pair MakePair(int size, int bits, unsigned seed) {
    return {imagetest::PatternMap(size, size, bits, seed), imagetest::PatternMask(size, seed)};
}

void Write(const fs::path& file, int index, const Pair& pair) {
    WriteIconImage(Q(file), index, pair.color, pair.mask);
}

// Reads image `index` and checks it is `pair`, palette and mask included.
void ExpectImage(const fs::path& file, int index, Pair pair, int count) {
    TPxlMap color{}, mask{};
    ASSERT_EQ(ReadIconImage(Q(file), index, color, mask), count);
    ASSERT_TRUE(color.Initialized);
    ASSERT_EQ(color.Width, pair.color.Width);
    ASSERT_EQ(color.Height, pair.color.Width);
    ASSERT_EQ(color.BitCount, pair.color.BitCount);
    ASSERT_EQ(mask.BitCount, 1);
    EXPECT_EQ(std::memcmp(color.Palette, pair.color.Palette, 4u << color.BitCount), 0);
    EXPECT_EQ(mask.GetPaletteColor(0), 0x000000u);
    EXPECT_EQ(mask.GetPaletteColor(1), 0xFFFFFFu);
    for (int y = 0; y < color.Height; ++y) {
        for (int x = 0; x < color.Width; ++x) {
            ASSERT_EQ(color.GetPixel(x, y), pair.color.GetPixel(x, y)) << x << "," << y;
            ASSERT_EQ(mask.GetPixel(x, y), pair.mask.GetPixel(x, y)) << x << "," << y;
        }
    }
}

TEST(IconLibWrite, NewFileLayout) {
    testutil::TempDir dir;
    const Pair pair = MakePair(32, 4, 1);
    Write(dir / "a.ico", 0, pair);
    const Bytes file = testutil::readFile(dir / "a.ico");
    ASSERT_EQ(file.size(), 766u);
    EXPECT_EQ(Get16(file, 0), 0u);
    EXPECT_EQ(Get16(file, 2), 1u);
    EXPECT_EQ(Get16(file, 4), 1u);
    const Bytes entry(file.begin() + 6, file.begin() + 22);
    EXPECT_EQ(entry, (Bytes{32, 32, 0, 0, 0, 0, 0, 0, 0xE8, 0x02, 0, 0, 22, 0, 0, 0}));
    // The image's info header.
    EXPECT_EQ(Get32(file, 22), 40u);
    EXPECT_EQ(Get32(file, 26), 32u);
    EXPECT_EQ(Get32(file, 30), 64u);
    EXPECT_EQ(Get16(file, 34), 1u);
    EXPECT_EQ(Get16(file, 36), 4u);
    EXPECT_EQ(Get32(file, 38), 0u);
    EXPECT_EQ(Get32(file, 42), 512u + 128u);
    for (std::size_t pos = 46; pos < 62; pos += 4)
        EXPECT_EQ(Get32(file, pos), 0u) << pos;
    EXPECT_EQ(std::memcmp(file.data() + 62, pair.color.Palette, 64), 0);
    // Colour rows then mask rows, bottom row first.
    TPxlMap color = pair.color;
    TPxlMap mask = pair.mask;
    Bytes bits(512 + 128, 0);
    color.ExportBits({bits.data(), 512});
    mask.ExportBits({bits.data() + 512, 128});
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), file.begin() + 126));
    EXPECT_FALSE(fs::exists(dir / "a.ico.tmp"));
}

TEST(IconLibWrite, ImageSizesOfEverySupportedIcon) {
    testutil::TempDir dir;
    const struct {
        int size, bits;
        std::size_t bytes;
    } cases[] = {{16, 4, 296},
                 {16, 8, 1384},
                 {32, 4, 744},
                 {32, 8, 2216},
                 {48, 4, 1640},
                 {48, 8, 3752},
                 {16, 1, 40 + 8 + 64 + 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << "@" << c.bits);
        fs::remove(dir / "s.ico");
        Write(dir / "s.ico", 0, MakePair(c.size, c.bits, 2));
        const Bytes file = testutil::readFile(dir / "s.ico");
        EXPECT_EQ(file.size(), 22 + c.bytes);
        EXPECT_EQ(Get32(file, 14), c.bytes);
    }
}

TEST(IconLibWrite, AppendMovesOldImagesByOneEntry) {
    testutil::TempDir dir;
    const fs::path icon = dir / "m.ico";
    const Pair first = MakePair(32, 4, 1);
    const Pair second = MakePair(16, 8, 2);
    Write(icon, 0, first);
    const Bytes before = testutil::readFile(icon);
    Write(icon, -1, second);
    const Bytes file = testutil::readFile(icon);
    ASSERT_EQ(file.size(), 2166u);
    EXPECT_EQ(Get16(file, 4), 2u);
    // Entry 0 unchanged but for its offset; entry 1 is the new image.
    EXPECT_TRUE(std::equal(before.begin() + 6, before.begin() + 18, file.begin() + 6));
    EXPECT_EQ(Get32(file, 18), 38u);
    EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 34),
              (Bytes{16, 16, 0, 0, 0, 0, 0, 0, 0x68, 0x05, 0, 0}));
    EXPECT_EQ(Get32(file, 34), 782u);
    // The first image's bytes are copied unchanged.
    EXPECT_TRUE(std::equal(before.begin() + 22, before.end(), file.begin() + 38));

    ExpectImage(icon, 0, first, 2);
    ExpectImage(icon, 1, second, 2);

    // An index at or beyond the count appends too.
    const Pair third = MakePair(48, 8, 3);
    Write(icon, 5, third);
    const Bytes three = testutil::readFile(icon);
    EXPECT_EQ(Get16(three, 4), 3u);
    EXPECT_EQ(three.size(), 2166u + 16 + 3752);
    EXPECT_EQ(Get32(three, 6 + 32 + 12), 2166u + 16);
    ExpectImage(icon, 2, third, 3);
    ExpectImage(icon, 0, first, 3);
}

TEST(IconLibWrite, ReplaceKeepsOthersAndShiftsLaterOnes) {
    testutil::TempDir dir;
    const fs::path icon = dir / "r.ico";
    const Pair a = MakePair(32, 4, 1);
    const Pair b = MakePair(16, 8, 2);
    const Pair c = MakePair(48, 4, 3);
    Write(icon, 0, a);
    Write(icon, -1, b);
    Write(icon, -1, c);
    const Bytes before = testutil::readFile(icon);

    // Replace the first image by a larger one: the later entries keep their sizes and move.
    const Pair bigger = MakePair(48, 8, 4);
    Write(icon, 0, bigger);
    const Bytes after = testutil::readFile(icon);
    EXPECT_EQ(Get16(after, 4), 3u);
    const std::int64_t growth = 3752 - 744;
    EXPECT_EQ(static_cast<std::int64_t>(after.size()),
              static_cast<std::int64_t>(before.size()) + growth);
    for (int i = 1; i < 3; ++i) {
        const std::size_t at = 6 + 16 * i;
        EXPECT_TRUE(std::equal(before.begin() + at, before.begin() + at + 12, after.begin() + at));
        EXPECT_EQ(static_cast<std::int64_t>(Get32(after, at + 12)),
                  Get32(before, at + 12) + growth);
    }
    ExpectImage(icon, 0, bigger, 3);
    ExpectImage(icon, 1, b, 3);
    ExpectImage(icon, 2, c, 3);

    // Replace the middle one: the first stays where it was, byte for byte.
    const Pair small = MakePair(16, 4, 5);
    Write(icon, 1, small);
    const Bytes last = testutil::readFile(icon);
    EXPECT_TRUE(std::equal(after.begin() + 6, after.begin() + 22, last.begin() + 6));
    EXPECT_TRUE(std::equal(after.begin() + 54, after.begin() + 54 + 3752, last.begin() + 54));
    EXPECT_EQ(Get32(last, 6 + 32 + 12), 54u + 3752 + 296);
    ExpectImage(icon, 0, bigger, 3);
    ExpectImage(icon, 1, small, 3);
    ExpectImage(icon, 2, c, 3);
}

TEST(IconLibWrite, ExistingHeaderFieldsAreKept) {
    testutil::TempDir dir;
    const fs::path icon = dir / "k.ico";
    Write(icon, 0, MakePair(16, 4, 1));
    Bytes file = testutil::readFile(icon);
    file[0] = 7;
    file[2] = 2; // a cursor file's type
    testutil::writeFile(icon, file);
    Write(icon, -1, MakePair(16, 4, 2));
    const Bytes after = testutil::readFile(icon);
    EXPECT_EQ(Get16(after, 0), 7u);
    EXPECT_EQ(Get16(after, 2), 2u);
    EXPECT_EQ(Get16(after, 4), 2u);
}

TEST(IconLibWrite, UnwritablePairsWriteNothing) {
    testutil::TempDir dir;
    const fs::path icon = dir / "n.ico";
    Pair notSquare{imagetest::PatternMap(16, 8, 4), imagetest::PatternMap(16, 8, 1)};
    Write(icon, 0, notSquare);
    Pair differ{imagetest::PatternMap(16, 16, 4), imagetest::PatternMask(32)};
    Write(icon, 0, differ);
    Pair empty{};
    Write(icon, 0, empty);
    EXPECT_FALSE(fs::exists(icon));
    EXPECT_FALSE(fs::exists(dir / "n.ico.tmp"));
}

TEST(IconLibWrite, FailedWriteLeavesTheFileByteForByte) {
    testutil::TempDir dir;
    const fs::path icon = dir / "keep.ico";
    Write(icon, 0, MakePair(32, 8, 1));
    const Bytes original = testutil::readFile(icon);

    // The disk fills up part-way through the temporary file.
    auto previous =
        SafeFile::SetWriteHook([](const QString&, std::int64_t offset, std::int64_t length) {
            return offset == 0 ? length / 2 : length;
        });
    EXPECT_THROW(Write(icon, -1, MakePair(48, 8, 2)), EInOutError);
    SafeFile::SetWriteHook(previous);
    EXPECT_EQ(testutil::readFile(icon), original);
    EXPECT_FALSE(fs::exists(dir / "keep.ico.tmp"));

    // A file of the person's that has the old temporary name stays as it is.
    testutil::writeFile(dir / "keep.ico.tmp", Bytes(10, 1));
    Write(icon, -1, MakePair(16, 4, 3));
    EXPECT_EQ(Get16(testutil::readFile(icon), 4), 2u);
    EXPECT_EQ(testutil::readFile(dir / "keep.ico.tmp"), Bytes(10, 1));

    // The target is a folder: nothing is lost and nothing is left over.
    fs::create_directory(dir / "folder.ico");
    testutil::writeFile(dir / "folder.ico" / "inside", {9});
    EXPECT_THROW(Write(dir / "folder.ico", 0, MakePair(16, 4, 1)), EInOutError);
    EXPECT_EQ(testutil::readFile(dir / "folder.ico" / "inside"), Bytes{9});
    EXPECT_FALSE(fs::exists(dir / "folder.ico.tmp"));

    // A folder no file can be created in.
    EXPECT_THROW(Write(dir / "no" / "such" / "x.ico", 0, MakePair(16, 4, 1)), EInOutError);
    EXPECT_THROW(Write("/proc/tessaly-test.ico", 0, MakePair(16, 4, 1)), EInOutError);
}

TEST(IconLibWrite, DamagedExistingFileIsNotReplaced) {
    testutil::TempDir dir;
    const fs::path icon = dir / "d.ico";
    testutil::writeFile(icon, {0, 0, 1});
    try {
        Write(icon, -1, MakePair(16, 4, 1));
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidIcon& e) {
        EXPECT_STREQ(e.what(), "Icon file is not valid");
    }
    EXPECT_EQ(testutil::readFile(icon), (Bytes{0, 0, 1}));
    EXPECT_FALSE(fs::exists(dir / "d.ico.tmp"));

    // A directory that claims more images or bytes than the file has.
    Write(dir / "g.ico", 0, MakePair(16, 4, 1));
    const Bytes good = testutil::readFile(dir / "g.ico");
    for (auto patch :
         {std::pair<std::size_t, std::uint32_t>{4, 200}, {14, 0xFFFFFF00}, {18, 0x7FFFFFFF}}) {
        SCOPED_TRACE(patch.first);
        Bytes bad = good;
        if (patch.first == 4) {
            bad[4] = static_cast<std::uint8_t>(patch.second);
        } else {
            Put32(bad, patch.first, patch.second);
        }
        testutil::writeFile(icon, bad);
        EXPECT_THROW(Write(icon, -1, MakePair(16, 4, 2)), EInOutError);
        EXPECT_EQ(testutil::readFile(icon), bad);
        EXPECT_FALSE(fs::exists(dir / "d.ico.tmp"));
    }
}

TEST(IconLibRead, MissingEmptyAndUnlistedImages) {
    testutil::TempDir dir;
    TPxlMap color{}, mask{};
    try {
        ReadIconImage(Q(dir / "none.ico"), 0, color, mask);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidIcon& e) {
        EXPECT_STREQ(e.what(), "Cannot open icon file");
    }
    testutil::writeFile(dir / "empty.ico", {});
    try {
        ReadIconImage(Q(dir / "empty.ico"), 0, color, mask);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidIcon& e) {
        EXPECT_STREQ(e.what(), "Icon file is not valid");
    }
    Write(dir / "one.ico", 0, MakePair(16, 4, 1));
    EXPECT_THROW(ReadIconImage(Q(dir / "one.ico"), 1, color, mask), EInvalidIcon);
    EXPECT_THROW(ReadIconImage(Q(dir / "one.ico"), -1, color, mask), EInvalidIcon);
}

TEST(IconLibRead, ImagesTheMapsCannotHoldLeaveThemEmpty) {
    testutil::TempDir dir;
    Write(dir / "g.ico", 0, MakePair(16, 4, 1));
    const Bytes good = testutil::readFile(dir / "g.ico");
    struct Patch {
        const char* what;
        std::size_t pos;
        std::uint32_t value;
    };
    const Patch patches[] = {
        {"24 bits", 22 + 14, 24},
        {"2 bits", 22 + 14, 2},
        {"width 257", 22 + 4, 257},
        {"width 100000", 22 + 4, 100000},
        {"negative width", 22 + 4, 0xFFFFFFF0},
        {"width 0", 22 + 4, 0},
        {"run-length", 22 + 16, 2},
        {"info header 0", 22, 0},
        {"height not doubled", 22 + 8, 16},
        {"height 0", 22 + 8, 0},
        {"not square", 22 + 8, 20},
        {"info header huge", 22, 0x7FFFFFFF},
    };
    for (const auto& p : patches) {
        SCOPED_TRACE(p.what);
        Bytes bad = good;
        if (p.pos == 22 + 14) {
            bad[p.pos] = static_cast<std::uint8_t>(p.value);
        } else {
            Put32(bad, p.pos, p.value);
        }
        testutil::writeFile(dir / "b.ico", bad);
        TPxlMap color = imagetest::PatternMap(8, 8, 8);
        TPxlMap mask = imagetest::PatternMask(8);
        EXPECT_EQ(ReadIconImage(Q(dir / "b.ico"), 0, color, mask), 1);
        EXPECT_FALSE(color.Initialized);
        EXPECT_FALSE(mask.Initialized);
    }
}

TEST(IconLibRead, ImageDataIsSizedFromWidthAndDepth) {
    testutil::TempDir dir;
    const Pair pair = MakePair(32, 8, 6);
    Write(dir / "g.ico", 0, pair);
    const Bytes good = testutil::readFile(dir / "g.ico");
    // Whatever the image-size field says, the picture and its mask are read.
    for (std::uint32_t imageSize : {0u, 1024u, 5u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(imageSize);
        Bytes file = good;
        Put32(file, 22 + 20, imageSize);
        testutil::writeFile(dir / "s.ico", file);
        ExpectImage(dir / "s.ico", 0, pair, 1);
    }
    // Colours used says how many palette entries are stored.
    TPxlMap few = imagetest::PatternMap(16, 16, 8, 2);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            few.SetPixel(x, y, static_cast<std::uint8_t>((x + 2 * y) % 20));
    Write(dir / "few.ico", 0, {few, imagetest::PatternMask(16)});
    Bytes full = testutil::readFile(dir / "few.ico");
    // The first 20 palette entries, then the pixels and the mask.
    Bytes shortPalette(full.begin(), full.begin() + 62 + 80);
    shortPalette.reserve(full.size());
    for (auto it = full.begin() + 62 + 1024; it != full.end(); ++it)
        shortPalette.push_back(*it);
    Put32(shortPalette, 22 + 32, 20);
    Put32(shortPalette, 14, static_cast<std::uint32_t>(shortPalette.size() - 22));
    testutil::writeFile(dir / "few20.ico", shortPalette);
    TPxlMap color{}, mask{};
    ASSERT_EQ(ReadIconImage(Q(dir / "few20.ico"), 0, color, mask), 1);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            ASSERT_EQ(color.GetPixel(x, y), few.GetPixel(x, y));
    EXPECT_EQ(std::memcmp(color.Palette, few.Palette, 80), 0);
}

TEST(IconLibRead, AnIconCutShortIsRefusedUnlessOnlyMaskRowsAreMissing) {
    testutil::TempDir dir;
    Pair pair = MakePair(16, 4, 7);
    Write(dir / "g.ico", 0, pair);
    const Bytes good = testutil::readFile(dir / "g.ico");
    const std::size_t maskStart = 22 + 40 + 64 + 128;
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        testutil::writeFile(dir / "t.ico", Bytes(good.begin(), good.begin() + length));
        TPxlMap color{}, mask{};
        if (length < maskStart) {
            EXPECT_THROW(ReadIconImage(Q(dir / "t.ico"), 0, color, mask), EInvalidIcon);
            EXPECT_FALSE(color.Initialized); // no half-read picture is left behind
            EXPECT_FALSE(mask.Initialized);
            continue;
        }
        // A mask cut short reads as opaque where it is missing (the top rows).
        ASSERT_EQ(ReadIconImage(Q(dir / "t.ico"), 0, color, mask), 1);
        const std::size_t wholeRows = (length - maskStart) / 4;
        TPxlMap expectedMask = pair.mask;
        for (int y = 0; y < 16; ++y) {
            const auto fileRow = static_cast<std::size_t>(15 - y);
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(color.GetPixel(x, y), pair.color.GetPixel(x, y));
                if (fileRow < wholeRows) {
                    ASSERT_EQ(mask.GetPixel(x, y), expectedMask.GetPixel(x, y));
                } else if (fileRow > wholeRows) {
                    ASSERT_EQ(mask.GetPixel(x, y), 0);
                }
            }
        }
    }
}

TEST(IconLibRead, AbsurdDirectoriesAreRefused) {
    testutil::TempDir dir;
    Write(dir / "g.ico", 0, MakePair(16, 4, 1));
    Write(dir / "g.ico", -1, MakePair(16, 8, 2));
    const Bytes good = testutil::readFile(dir / "g.ico");
    const struct {
        const char* what;
        std::size_t pos;
        std::uint32_t value;
        int index;
    } patches[] = {
        {"offset past the end", 18, 0x00100000, 0},
        {"offset 0xFFFFFFFF", 34, 0xFFFFFFFF, 1},
        {"count 0", 4, 0, 0},
        {"count beyond the directory", 4, 0xFFFF, 1},
    };
    for (const auto& p : patches) {
        SCOPED_TRACE(p.what);
        Bytes bad = good;
        if (p.pos == 4) {
            bad[4] = static_cast<std::uint8_t>(p.value);
            bad[5] = static_cast<std::uint8_t>(p.value >> 8);
        } else {
            Put32(bad, p.pos, p.value);
        }
        testutil::writeFile(dir / "b.ico", bad);
        TPxlMap color{}, mask{};
        try {
            ReadIconImage(Q(dir / "b.ico"), p.index, color, mask);
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidIcon& e) {
            EXPECT_STREQ(e.what(), "Icon file is not valid");
        }
    }
}

} // namespace
