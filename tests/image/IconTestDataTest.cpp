// The shared icon suites: every file read without a crash, and every palette image of a
// valid file that fits a map read with the pixels icotool extracts from it.
#include "ImageTestSupport.h"
#include "image/IconLib.h"
#include "image/ImageErrors.h"
#include "utils/TestUtils.h"

#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> IconFiles(const char* folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(testutil::testDataDir() / folder))
        if (entry.is_regular_file() && entry.path().extension() == ".ico" &&
            entry.path().string().find("/expected/") == std::string::npos)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

struct Listed {
    int index, width, height, bits, palette;
};

std::vector<Listed> ListWithIcotool(const fs::path& file) {
    const auto result = testutil::runCommand("icotool -l " + testutil::shellQuote(file.string()));
    static const std::regex line(
        R"(--icon --index=(\d+) --width=(\d+) --height=(\d+) --bit-depth=(\d+) --palette-size=(\d+))");
    std::vector<Listed> images;
    for (std::sregex_iterator it(result.output.begin(), result.output.end(), line), end; it != end;
         ++it)
        images.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]),
                          std::stoi((*it)[4]), std::stoi((*it)[5])});
    return images;
}

TEST(IconTestData, EveryFileReadsOrIsRefusedCleanly) {
    int files = 0, images = 0;
    for (const char* folder : {"ico", "bad/ico"}) {
        for (const auto& file : IconFiles(folder)) {
            SCOPED_TRACE(file.string());
            ++files;
            std::int32_t count = 1;
            for (std::int32_t index = 0; index < std::min(count, 64); ++index) {
                TPxlMap color{}, mask{};
                try {
                    count = ReadIconImage(Q(file), index, color, mask);
                } catch (const EInvalidIcon& e) {
                    const std::string message = e.what();
                    EXPECT_TRUE(message == "Icon file is not valid") << message;
                    break;
                }
                if (!color.Initialized) continue;
                ++images;
                EXPECT_TRUE(mask.Initialized);
                EXPECT_EQ(color.Width, color.Height);
                EXPECT_EQ(mask.Width, color.Width);
                EXPECT_LE(color.Width, TPxlMap::MaxSize);
                EXPECT_TRUE(color.BitCount == 1 || color.BitCount == 4 || color.BitCount == 8);
            }
        }
    }
    EXPECT_GT(files, 180);
    EXPECT_GT(images, 70);
}

TEST(IconTestData, ValidPaletteIconsMatchIcotool) {
    if (!testutil::haveProgram("icotool")) GTEST_FAIL() << "icotool is missing";
    const auto expectations = testutil::expectationsByPath();
    testutil::TempDir dir;
    int checked = 0;
    for (const auto& file : IconFiles("ico")) {
        const std::string relative = fs::relative(file, testutil::testDataDir()).string();
        const auto expectation = expectations.find(relative);
        if (expectation == expectations.end() || expectation->second != 'V') continue;
        SCOPED_TRACE(relative);
        const auto listed = ListWithIcotool(file);
        const fs::path out = dir / std::to_string(checked);
        fs::create_directory(out);
        testutil::runCommand("icotool -x -o " + testutil::shellQuote(out.string()) + " " +
                             testutil::shellQuote(file.string()));
        for (const auto& image : listed) {
            // Palette images in the bitmap form (PNG images list no palette) that a map holds.
            const bool palette = image.bits == 1 || image.bits == 4 || image.bits == 8;
            if (!palette || image.palette == 0 || image.width != image.height || image.width > 100)
                continue;
            SCOPED_TRACE(image.index);
            TPxlMap color{}, mask{};
            ASSERT_NO_THROW(ReadIconImage(Q(file), image.index - 1, color, mask));
            ASSERT_TRUE(color.Initialized);
            EXPECT_EQ(color.Width, image.width);
            EXPECT_EQ(color.BitCount, image.bits);
            const fs::path png =
                out / (file.stem().string() + "_" + std::to_string(image.index) + "_" +
                       std::to_string(image.width) + "x" + std::to_string(image.height) + "x" +
                       std::to_string(image.bits) + ".png");
            const QImage extracted(Q(png));
            ASSERT_FALSE(extracted.isNull()) << png;
            EXPECT_EQ(imagetest::ComparePicture(imagetest::ArgbPixels(extracted), extracted.width(),
                                                extracted.height(), color, mask),
                      "");
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

// Every image the pixel maps do not hold (24 and 32 bits, PNG, large or oblong) of the
// valid files reads as Pillow reads it: colours wherever a pixel shows, the alpha of a
// 32-bit or PNG image, the AND mask where a map holds it.
TEST(IconTestData, ValidPictureIconsMatchPillow) {
    static const std::string script = testutil::shellQuote(
        "import struct,sys\nfrom PIL import Image\nf,i=sys.argv[1],int(sys.argv[2])\n"
        "im=Image.open(f);off=struct.unpack_from('<I',open(f,'rb').read(),18+16*i)[0]\n"
        "k=[e['offset'] for e in im.ico.entry].index(off)\n"
        "sys.stdout.write(im.ico.frame(k).convert('RGBA').tobytes().hex())\n");
    const auto expectations = testutil::expectationsByPath();
    int checked = 0, withAlpha = 0, large = 0;
    for (const auto& file : IconFiles("ico")) {
        const std::string relative = fs::relative(file, testutil::testDataDir()).string();
        if (expectations.count(relative) == 0 || expectations.at(relative) != 'V') continue;
        SCOPED_TRACE(relative);
        const int count = testutil::readFile(file)[4] | testutil::readFile(file)[5] << 8;
        for (int index = 0; index < count; ++index) {
            TPxlMap color{}, mask{};
            ReadIconImage(Q(file), index, color, mask);
            if (color.Initialized) continue;
            SCOPED_TRACE(index);
            QImage picture;
            ReadIconPicture(Q(file), index, picture, mask, nullptr);
            // Pillow takes the AND mask from the end of the entry, where a V4/V5 header's
            // colour profile lies; the mask follows the colour bits.
            const auto bytes = testutil::readFile(file);
            const std::size_t at =
                bytes[18 + 16 * index] | bytes[19 + 16 * index] << 8 | bytes[20 + 16 * index] << 16;
            if (at < bytes.size() && bytes[at] > 40) mask.Clear();
            const std::string hex = testutil::runCommand("/usr/bin/python3 -c " + script + " " +
                                                         testutil::shellQuote(file.string()) + " " +
                                                         std::to_string(index))
                                        .output;
            ASSERT_EQ(hex.size(), 8u * picture.width() * picture.height());
            const auto actual = imagetest::ArgbPixels(picture);
            const bool alpha = picture.hasAlphaChannel();
            int wrong = 0;
            for (std::size_t at = 0; at < actual.size(); ++at) {
                const auto rgba =
                    static_cast<std::uint32_t>(std::stoul(hex.substr(8 * at, 8), nullptr, 16));
                const std::uint32_t want = rgba >> 8 | rgba << 24;
                const int x = static_cast<int>(at) % picture.width(),
                          y = static_cast<int>(at) / picture.width();
                std::uint32_t got = actual[at];
                if (!alpha && mask.Initialized && mask.PixelAt(x, y)) got &= 0x00FFFFFF;
                if (!alpha && !mask.Initialized) got = (got & 0x00FFFFFF) | (want & 0xFF000000);
                wrong += (got >> 24) != (want >> 24) || ((want >> 24) != 0 && got != want);
            }
            EXPECT_EQ(wrong, 0);
            ++checked;
            withAlpha += alpha;
            large += picture.width() > 100;
        }
    }
    EXPECT_GT(checked, 50);
    EXPECT_GT(withAlpha, 20);
    EXPECT_GT(large, 5);
}

} // namespace
