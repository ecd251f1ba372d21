// Every kind of source picture through tessaly-convert, read back by Pillow and icotool and
// compared pixel by pixel with what fitting, reduction and the automatic mask must give.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::vector<std::string> kFlatKinds = {"bmp24", "bmp8", "gif"};

std::string Extension(const std::string& kind) {
    if (kind.rfind("bmp", 0) == 0) return ".bmp";
    if (kind.rfind("jpg", 0) == 0) return ".jpg";
    return "." + kind;
}

// 8 x 8 blocks of flat colour with a border of `border` blocks: what JPEG keeps exactly.
Picture Blocky(int blocksX, int blocksY, const std::vector<Rgb>& inks, Rgb border) {
    Picture p(blocksX * 8, blocksY * 8, border);
    for (int by = 1; by < blocksY - 1; ++by)
        for (int bx = 1; bx < blocksX - 1; ++bx)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    p.At(bx * 8 + x, by * 8 + y) = inks[(bx + by) % inks.size()];
    return p;
}

std::size_t DistinctColours(const Picture& p) {
    std::set<std::tuple<int, int, int>> seen;
    for (const Rgb& c : p.Pixels)
        seen.insert({c.R, c.G, c.B});
    return seen.size();
}

class ConvertSources : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::haveProgram("icotool")) GTEST_SKIP() << "icotool is not installed";
        work_ = tmp_.path() / "work";
        fs::create_directory(work_);
    }

    // Converts the pictures (paths relative to the work folder) with the given options into
    // the work folder; expects every one to be written, with the given warnings.
    void Convert(std::vector<std::string> args, const std::string& warnings = "") {
        const RunResult r = RunConvert(work_, args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        ASSERT_EQ(r.Err, warnings);
    }

    testutil::TempDir tmp_;
    fs::path work_;
};

} // namespace

TEST_F(ConvertSources, FlatPicturesAtEverySizeAndColourCount) {
    const Picture picture = Patterned(37, 29);
    for (const std::string& kind : kFlatKinds)
        Encode(picture, work_ / (kind + Extension(kind)), kind);
    for (int size : {16, 32, 48}) {
        for (int colours : {16, 256}) {
            std::vector<std::string> args = {"-s", std::to_string(size), "-c",
                                             std::to_string(colours)};
            for (const std::string& kind : kFlatKinds)
                args.push_back(kind + Extension(kind));
            ASSERT_NO_FATAL_FAILURE(Convert(args));
            const Expected expected = ExpectIcon(ScaleNearest(picture, size), true);
            for (const std::string& kind : kFlatKinds) {
                const IconFile icon = ProbeIco(work_ / (kind + ".ico"));
                ASSERT_EQ(icon.Count, 1);
                EXPECT_TRUE(IconMatches(icon.Images[0], expected, colours == 16 ? 4 : 8))
                    << kind << " at " << size << ", " << colours << " colours";
            }
        }
    }
}

TEST_F(ConvertSources, TheIconFileLayoutIsTheExpectedOne) {
    Encode(Patterned(20, 20), work_ / "p.bmp", "bmp24");
    ASSERT_NO_FATAL_FAILURE(Convert({"-s", "32", "-c", "256", "p.bmp"}));
    const IconFile icon = ProbeIco(work_ / "p.ico");
    EXPECT_EQ(icon.Type, 1);
    EXPECT_EQ(icon.Size, 22 + 2216);
    EXPECT_EQ(icon.Images[0].Entry, (std::vector<int>{32, 32, 0, 0, 0, 2216, 22}));
    ASSERT_NO_FATAL_FAILURE(Convert({"-s", "48", "-c", "16", "p.bmp"}));
    EXPECT_EQ(ProbeIco(work_ / "p.ico").Images[0].Entry,
              (std::vector<int>{48, 48, 0, 0, 0, 1640, 22}));
}

TEST_F(ConvertSources, PicturesOfTheIconSizeAreTakenPixelForPixel) {
    for (int size : {16, 32, 48}) {
        const Picture picture = Patterned(size, size);
        Encode(picture, work_ / "exact.bmp", "bmp24");
        ASSERT_NO_FATAL_FAILURE(Convert({"-s", std::to_string(size), "exact.bmp"}));
        EXPECT_TRUE(
            IconMatches(ProbeIco(work_ / "exact.ico").Images[0], ExpectIcon(picture, true), 8))
            << size;
    }
}

TEST_F(ConvertSources, WideTallAndSinglePixelPicturesAreSqueezedNotCut) {
    const std::vector<std::pair<std::string, Picture>> pictures = {
        {"wide", Patterned(200, 20)},
        {"tall", Patterned(20, 200)},
        {"dot", Picture(1, 1, {200, 40, 90})}};
    std::vector<std::string> args = {"-c", "16"};
    for (const auto& [name, picture] : pictures) {
        Encode(picture, work_ / (name + ".bmp"), "bmp24");
        args.push_back(name + ".bmp");
    }
    ASSERT_NO_FATAL_FAILURE(Convert(args, "tessaly-convert: warning: the automatic mask makes "
                                          "all of dot.bmp transparent (try --mask none)\n"));
    for (const auto& [name, picture] : pictures) {
        EXPECT_TRUE(IconMatches(ProbeIco(work_ / (name + ".ico")).Images[0],
                                ExpectIcon(ScaleNearest(picture, 32), true), 4))
            << name;
    }
    // A single pixel fills the whole icon, which the automatic mask then clears entirely.
    const IconImage dot = ProbeIco(work_ / "dot.ico").Images[0];
    EXPECT_EQ(std::count(dot.Mask.begin(), dot.Mask.end(), 1), 32 * 32);
}

TEST_F(ConvertSources, MonochromeBitmapsKeepTheirBlackLinesWhenShrunk) {
    // One-pixel black lines on white; a plain nearest-neighbour shrink would drop most.
    Picture picture(100, 70, White);
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x)
            if (x % 7 == 3 || y % 9 == 4 || x == y) picture.At(x, y) = Black;
    Encode(picture, work_ / "lines.bmp", "bmp1");
    Picture small(10, 6, White);
    small.At(2, 1) = small.At(9, 5) = small.At(0, 3) = Black;
    Encode(small, work_ / "small.bmp", "bmp1");
    for (int size : {16, 32, 48}) {
        for (bool mask : {true, false}) {
            ASSERT_NO_FATAL_FAILURE(Convert({"-s", std::to_string(size), "-m",
                                             mask ? "auto" : "none", "lines.bmp", "small.bmp"}));
            EXPECT_TRUE(IconMatches(ProbeIco(work_ / "lines.ico").Images[0],
                                    ExpectIcon(ScaleMonochrome(picture, size), mask), 8))
                << size << (mask ? " auto" : " none");
            EXPECT_TRUE(IconMatches(ProbeIco(work_ / "small.ico").Images[0],
                                    ExpectIcon(ScaleMonochrome(small, size), mask), 8))
                << size << (mask ? " auto" : " none");
        }
    }
    // The rule matters here: plain sampling would lose black pixels that the icon keeps.
    const Picture kept = ScaleMonochrome(picture, 16);
    const Picture sampled = ScaleNearest(picture, 16);
    EXPECT_GT(std::count(kept.Pixels.begin(), kept.Pixels.end(), Black),
              std::count(sampled.Pixels.begin(), sampled.Pixels.end(), Black));
}

TEST_F(ConvertSources, ColourJpegIsDecodedAsLibjpegDecodesIt) {
    const Picture picture =
        Blocky(9, 7, {{230, 30, 30}, {250, 220, 40}, {30, 200, 60}}, {40, 160, 220});
    Encode(picture, work_ / "photo.jpg", "jpg");
    const Picture decoded = Djpeg(work_ / "photo.jpg", false);
    ASSERT_LE(DistinctColours(decoded), 4u) << "the test picture did not stay flat";
    for (int size : {16, 48}) {
        for (int colours : {16, 256}) {
            ASSERT_NO_FATAL_FAILURE(
                Convert({"-s", std::to_string(size), "-c", std::to_string(colours), "photo.jpg"}));
            EXPECT_TRUE(IconMatches(ProbeIco(work_ / "photo.ico").Images[0],
                                    ExpectIcon(ScaleNearest(decoded, size), true),
                                    colours == 16 ? 4 : 8))
                << size << ", " << colours;
        }
    }
}

TEST_F(ConvertSources, GreyscaleJpegGoesThroughLibjpegsOwnQuantizer) {
    // 64 and 100 are no levels of libjpeg's 255-colour grey map: its quantizer diffuses
    // the error into neighbouring levels. Those close greys do not survive the icon's own
    // reduction exactly, so the check is differential: the JPEG must give the same icon,
    // byte for byte, as djpeg's quantized decoding of it handed in as a palette bitmap.
    const Picture picture = Blocky(8, 6, {{64, 64, 64}, {100, 100, 100}, {200, 200, 200}}, White);
    Encode(picture, work_ / "grey.JPEG", "jpggrey");
    const Picture decoded = Djpeg(work_ / "grey.JPEG", true);
    ASSERT_GT(DistinctColours(decoded), 4u) << "the quantizer left nothing to see";
    fs::create_directory(work_ / "ref");
    Encode(decoded, work_ / "ref" / "grey.bmp", "bmp8");
    for (int colours : {16, 256}) {
        for (const char* size : {"16", "48"}) {
            ASSERT_NO_FATAL_FAILURE(
                Convert({"-s", size, "-c", std::to_string(colours), "ref/grey.bmp", "-o", "ref"}));
            ASSERT_NO_FATAL_FAILURE(
                Convert({"-s", size, "-c", std::to_string(colours), "grey.JPEG"}));
            EXPECT_EQ(testutil::readFile(work_ / "grey.ico"),
                      testutil::readFile(work_ / "ref" / "grey.ico"))
                << size << ", " << colours;
            const IconFile icon = ProbeIco(work_ / "grey.ico");
            EXPECT_TRUE(IconIsConsistent(icon.Images[0], colours == 16 ? 4 : 8));
        }
    }
}

TEST_F(ConvertSources, CmykJpegComesOutInItsRgbColours) {
    // Colours whose CMYK components are all 0 or 255 convert to RGB the same under every
    // formula, so the expected colours are the picture's own.
    const Picture picture =
        Blocky(6, 6, {{255, 0, 0}, {255, 255, 0}, {0, 0, 255}, {0, 255, 255}}, {0, 255, 0});
    Encode(picture, work_ / "print.jpg", "jpgcmyk");
    ASSERT_NO_FATAL_FAILURE(Convert({"-s", "48", "-m", "none", "print.jpg"}));
    EXPECT_TRUE(IconMatches(ProbeIco(work_ / "print.ico").Images[0],
                            ExpectIcon(ScaleNearest(picture, 48), false), 8));
    ASSERT_NO_FATAL_FAILURE(Convert({"-s", "16", "print.jpg"}));
    EXPECT_TRUE(IconMatches(ProbeIco(work_ / "print.ico").Images[0],
                            ExpectIcon(ScaleNearest(picture, 16), true), 8));
}

TEST_F(ConvertSources, BitmapOutputStoresTransparentPixelsBlackAtIndexZero) {
    const Picture picture = Patterned(45, 51);
    Encode(picture, work_ / "pic.gif", "gif");
    for (int colours : {16, 256}) {
        for (bool mask : {true, false}) {
            ASSERT_NO_FATAL_FAILURE(Convert({"-f", "bmp", "-s", "48", "-c", std::to_string(colours),
                                             "-m", mask ? "auto" : "none", "pic.gif"}));
            EXPECT_TRUE(BitmapMatches(ProbeBmp(work_ / "pic.bmp"),
                                      ExpectIcon(ScaleNearest(picture, 48), mask),
                                      colours == 16 ? 4 : 8))
                << colours << (mask ? " auto" : " none");
        }
    }
    EXPECT_FALSE(fs::exists(work_ / "pic.ico"));
}
