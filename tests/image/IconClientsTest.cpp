// Icon files checked against programs nobody here wrote: Pillow, icoutils and ImageMagick
// read what we write, and we read what they write.
#include "ImageTestSupport.h"
#include "image/IconLib.h"
#include "utils/TestUtils.h"

#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

namespace {

namespace fs = std::filesystem;

struct Pair {
    TPxlMap color;
    TPxlMap mask;
};

void ExpectPicture(const std::vector<std::uint32_t>& argb, int width, Pair& pair) {
    EXPECT_EQ(imagetest::ComparePicture(argb, width, width, pair.color, pair.mask), "");
}

class IconClients : public testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"icotool", "convert"})
            if (!testutil::haveProgram(tool))
                GTEST_FAIL() << tool << " is missing (script/bootstrap installs it)";
    }
    testutil::TempDir dir;
};

TEST_F(IconClients, PillowReadsOurIconsWithTransparency) {
    for (int bits : {1, 4, 8}) {
        const fs::path icon = dir / ("ours" + std::to_string(bits) + ".ico");
        std::vector<Pair> pairs;
        for (int size : {16, 32, 48}) {
            pairs.push_back(
                {imagetest::PatternMap(size, size, bits, static_cast<unsigned>(size + bits)),
                 imagetest::PatternMask(size, static_cast<unsigned>(bits))});
            WriteIconImage(Q(icon), -1, pairs.back().color, pairs.back().mask);
        }
        for (auto& pair : pairs) {
            SCOPED_TRACE(testing::Message() << pair.color.Width << "@" << bits);
            const auto decoded = imagetest::DecodeWithPillow(icon, pair.color.Width);
            ASSERT_TRUE(decoded.ok) << decoded.error;
            EXPECT_EQ(decoded.height, pair.color.Width);
            ExpectPicture(decoded.argb, decoded.width, pair);
        }
    }
}

TEST_F(IconClients, IcotoolListsAndExtractsOurIcons) {
    const fs::path icon = dir / "multi.ico";
    std::vector<Pair> pairs;
    const std::pair<int, int> images[] = {{16, 1}, {32, 4}, {48, 8}, {32, 8}};
    for (auto [size, bits] : images) {
        pairs.push_back(
            {imagetest::PatternMap(size, size, bits, static_cast<unsigned>(size * bits)),
             imagetest::PatternMask(size, static_cast<unsigned>(bits + 1))});
        WriteIconImage(Q(icon), -1, pairs.back().color, pairs.back().mask);
    }
    const auto list = testutil::runCommand("icotool -l " + testutil::shellQuote(icon.string()));
    ASSERT_EQ(list.exitCode, 0) << list.output;
    const std::regex line(
        R"(--icon --index=(\d+) --width=(\d+) --height=(\d+) --bit-depth=(\d+) --palette-size=(\d+))");
    std::size_t found = 0;
    for (std::sregex_iterator it(list.output.begin(), list.output.end(), line), end; it != end;
         ++it, ++found) {
        ASSERT_LT(found, std::size(images));
        const auto [size, bits] = images[found];
        EXPECT_EQ(std::stoi((*it)[1]), static_cast<int>(found) + 1);
        EXPECT_EQ(std::stoi((*it)[2]), size);
        EXPECT_EQ(std::stoi((*it)[3]), size);
        EXPECT_EQ(std::stoi((*it)[4]), bits);
        EXPECT_EQ(std::stoi((*it)[5]), 1 << bits);
    }
    EXPECT_EQ(found, std::size(images)) << list.output;

    fs::create_directory(dir / "x");
    const auto extract =
        testutil::runCommand("icotool -x -o " + testutil::shellQuote((dir / "x").string()) + " " +
                             testutil::shellQuote(icon.string()));
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto [size, bits] = images[i];
        SCOPED_TRACE(i);
        const fs::path png = dir / "x" /
                             ("multi_" + std::to_string(i + 1) + "_" + std::to_string(size) + "x" +
                              std::to_string(size) + "x" + std::to_string(bits) + ".png");
        QImage picture(Q(png));
        ASSERT_FALSE(picture.isNull()) << png;
        ExpectPicture(imagetest::ArgbPixels(picture), picture.width(), pairs[i]);
    }
}

// A source picture with `colors` distinct opaque colours and a transparent corner and disc.
QImage SourcePicture(int size, int colors) {
    QImage picture(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int c = (x / 2 + y * 3) % colors;
            const bool clear =
                (x < size / 4 && y < size / 4) ||
                (x - size / 2) * (x - size / 2) + (y - size / 2) * (y - size / 2) < size;
            picture.setPixel(
                x, y,
                clear ? 0u : qRgb((c * 53) & 0xFF, (c * 97 + 31) & 0xFF, (255 - c * 29) & 0xFF));
        }
    }
    return picture;
}

// Reads the icon through ReadIconImage and compares with the source picture.
void ExpectReadsAs(const fs::path& icon, const QImage& source, int expectedBits) {
    TPxlMap color{}, mask{};
    ASSERT_EQ(ReadIconImage(Q(icon), 0, color, mask), 1);
    ASSERT_TRUE(color.Initialized);
    EXPECT_EQ(color.BitCount, expectedBits);
    ASSERT_EQ(color.Width, source.width());
    std::set<int> maskValues;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb want = source.pixel(x, y);
            const int transparent = mask.GetPixel(x, y);
            maskValues.insert(transparent);
            ASSERT_EQ(transparent, qAlpha(want) == 0 ? 1 : 0) << x << "," << y;
            if (transparent) continue;
            const std::uint32_t got = imagetest::Argb(color, nullptr, x, y);
            ASSERT_EQ(got, want) << x << "," << y;
        }
    }
    EXPECT_EQ(maskValues.size(), 2u);
}

TEST_F(IconClients, WeReadImageMagickIcons) {
    // ImageMagick's image-size field counts only the colour bits; the mask must still load.
    for (auto [colors, bits] : {std::pair{12, 4}, std::pair{150, 8}}) {
        SCOPED_TRACE(bits);
        const QImage source = SourcePicture(32, colors);
        ASSERT_TRUE(source.save(Q(dir / "src.png")));
        const fs::path icon = dir / ("im" + std::to_string(bits) + ".ico");
        const auto result = testutil::runCommand(
            "convert " + testutil::shellQuote((dir / "src.png").string()) + " -colors " +
            std::to_string(1 << bits) + " " + testutil::shellQuote(icon.string()));
        ASSERT_EQ(result.exitCode, 0) << result.output;
        ExpectReadsAs(icon, source, bits);
    }
}

TEST_F(IconClients, WeReadIcotoolIcons) {
    for (auto [colors, bits] : {std::pair{9, 4}, std::pair{200, 8}}) {
        SCOPED_TRACE(bits);
        const QImage source = SourcePicture(48, colors);
        ASSERT_TRUE(source.save(Q(dir / "src.png")));
        const fs::path icon = dir / ("ico" + std::to_string(bits) + ".ico");
        const auto result = testutil::runCommand("icotool -c -b " + std::to_string(bits) + " -o " +
                                                 testutil::shellQuote(icon.string()) + " " +
                                                 testutil::shellQuote((dir / "src.png").string()));
        ASSERT_EQ(result.exitCode, 0) << result.output;
        ExpectReadsAs(icon, source, bits);
    }
}

// Files from other writers may keep their images out of directory order or with gaps:
// appending copies each image from its own place and leaves a file in order.
TEST_F(IconClients, AppendingToOtherLayoutsKeepsEveryImage) {
    for (const char* name : {"icon_gap.ico", "icon_reorder.ico"}) {
        SCOPED_TRACE(name);
        const fs::path icon = dir / name;
        const auto original =
            testutil::readFile(testutil::testDataDir() / "ico/mejico-extra" / name);
        testutil::writeFile(icon, original);
        Pair added{imagetest::PatternMap(16, 16, 4), imagetest::PatternMask(16)};
        WriteIconImage(Q(icon), -1, added.color, added.mask);
        const auto file = testutil::readFile(icon);
        for (std::size_t i = 0; i < 2; ++i) {
            const auto at = [](const std::vector<std::uint8_t>& b, std::size_t pos) {
                return static_cast<std::size_t>(b[pos] | b[pos + 1] << 8 | b[pos + 2] << 16);
            };
            const std::size_t size = at(original, 6 + 16 * i + 8);
            const std::size_t from = at(original, 6 + 16 * i + 12);
            const std::size_t to = at(file, 6 + 16 * i + 12);
            EXPECT_EQ(to, i == 0 ? 54u : 54u + at(file, 6 + 8));
            EXPECT_TRUE(std::equal(original.begin() + from, original.begin() + from + size,
                                   file.begin() + to));
        }
        const auto list = testutil::runCommand("icotool -l " + testutil::shellQuote(icon.string()));
        EXPECT_EQ(list.output.find("garbage"), std::string::npos) << list.output;
        EXPECT_NE(list.output.find("--index=3 --width=16 --height=16 --bit-depth=4"),
                  std::string::npos);
        TPxlMap color{}, mask{};
        ASSERT_EQ(ReadIconImage(Q(icon), 2, color, mask), 3);
        const auto decoded = imagetest::DecodeWithPillow(icon, 16);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ExpectPicture(decoded.argb, 16, added);
    }
}

} // namespace
