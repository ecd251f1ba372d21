// Icon files as sources: every image of a multi-image file becomes a picture of its own,
// and an image that already has the icon's size keeps the file's own mask.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

struct SourceImage {
    Picture Colours; // as stored in the icon file, transparent pixels included
    std::vector<int> Mask;
};

class ConvertIconSource : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::haveProgram("icotool")) GTEST_SKIP() << "icotool is not installed";
        work_ = tmp_.path() / "work";
        fs::create_directory(work_);
        // Three images, 16, 32 and 48 pixels, made by icotool from pictures with alpha. Their
        // transparent part (a triangle) has nothing to do with their colours, so the file's
        // own mask and a sampled one always differ.
        std::vector<std::string> pngs;
        for (int size : {16, 32, 48}) {
            const Picture picture = Patterned(size, size);
            std::vector<std::uint8_t> alpha(static_cast<std::size_t>(size) * size, 255);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    if (2 * x < y) alpha[static_cast<std::size_t>(y * size + x)] = 0;
            const fs::path png = tmp_.path() / ("img" + std::to_string(size) + ".png");
            Encode(picture, png, "png", &alpha);
            pngs.push_back(png.string());
        }
        std::string command =
            "icotool -c -b 8 -o " + testutil::shellQuote((work_ / "tools.ico").string());
        for (const std::string& png : pngs)
            command += " " + testutil::shellQuote(png);
        const auto made = testutil::runCommand(command);
        ASSERT_EQ(made.exitCode, 0) << made.output;

        // What the file really holds, read here independently of the program.
        const IconFile file = ProbeIco(work_ / "tools.ico");
        ASSERT_EQ(file.Count, 3);
        for (const IconImage& image : file.Images) {
            SourceImage source{Picture(image.Width, image.Height), image.Mask};
            for (std::size_t i = 0; i < image.Index.size(); ++i)
                source.Colours.Pixels[i] = image.Palette[static_cast<std::size_t>(image.Index[i])];
            sources_.push_back(source);
        }
        ASSERT_EQ(sources_[1].Colours.Width, 32);
    }

    // The icon that image k must give at size 32.
    Expected ExpectedAt32(std::size_t k, bool autoMask) const {
        const SourceImage& source = sources_[k];
        if (autoMask && source.Colours.Width == 32)
            return ExpectIconWithMask(source.Colours, source.Mask);
        return ExpectIcon(ScaleNearest(source.Colours, 32), autoMask);
    }

    RunResult Run(const std::vector<std::string>& args) { return RunConvert(work_, args); }

    testutil::TempDir tmp_;
    fs::path work_;
    std::vector<SourceImage> sources_;
};

} // namespace

TEST_F(ConvertIconSource, EachImageBecomesANumberedIcon) {
    for (bool autoMask : {true, false}) {
        const RunResult r = Run({"-m", autoMask ? "auto" : "none", "tools.ico"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        for (std::size_t k = 0; k < 3; ++k) {
            const fs::path out = work_ / ("tools_" + std::to_string(k + 1) + ".ico");
            const IconFile icon = ProbeIco(out);
            ASSERT_EQ(icon.Count, 1);
            EXPECT_TRUE(IconMatches(icon.Images[0], ExpectedAt32(k, autoMask), 8))
                << out << (autoMask ? " auto" : " none");
        }
        EXPECT_FALSE(fs::exists(work_ / "tools_4.ico"));
    }
    // The 32-pixel image kept the file's own mask, not a sampled one.
    EXPECT_NE(ExpectedAt32(1, true).Mask, ExpectIcon(sources_[1].Colours, true).Mask);
}

TEST_F(ConvertIconSource, EachImageBecomesANumberedBitmap) {
    const RunResult r = Run({"-f", "bmp", "-c", "16", "tools.ico"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    for (std::size_t k = 0; k < 3; ++k) {
        const fs::path out = work_ / ("tools_" + std::to_string(k + 1) + ".bmp");
        EXPECT_TRUE(BitmapMatches(ProbeBmp(out), ExpectedAt32(k, true), 4)) << out;
    }
}

TEST_F(ConvertIconSource, MultiResourceCollectsTheImagesInOrder) {
    // Named after the first picture, which is image 1 of the file.
    RunResult r = Run({"-f", "mico", "-s", "32", "tools.ico"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    IconFile icon = ProbeIco(work_ / "tools_1.ico");
    ASSERT_EQ(icon.Count, 3);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_TRUE(IconMatches(icon.Images[k], ExpectedAt32(k, true), 8)) << k;

    // Given a name, the wizard takes it up to its first dot. The second source is that
    // icon: its images have the size already and keep their masks, so they come out as
    // they went in.
    r = Run({"-f", "mico", "-o", "all.of.them.ico", "tools.ico", "tools_1.ico"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    icon = ProbeIco(work_ / "all.ico");
    ASSERT_EQ(icon.Count, 6);
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_TRUE(IconMatches(icon.Images[k], ExpectedAt32(k % 3, true), 8)) << k;
}

// No output ever lands on a picture of the run, whatever the format and however the
// picture is named: that picture is skipped with its reason, the others are converted.
TEST_F(ConvertIconSource, OutputsNeverReplaceAPictureOfTheRun) {
    const auto tools = testutil::readFile(work_ / "tools.ico");
    RunResult r = Run({"-f", "mico", "-o", "tools.ico", "tools.ico"});
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_NE(r.Err.find("tools.ico: it is a picture of this run"), std::string::npos) << r.Err;
    EXPECT_EQ(testutil::readFile(work_ / "tools.ico"), tools);

    const auto made = testutil::runCommand("cd " + testutil::shellQuote(work_.string()) +
                                           " && icotool -x -i 2 -o one.png tools.ico" +
                                           " && icotool -c -b 8 -o one.ico one.png");
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const auto one = testutil::readFile(work_ / "one.ico");
    r = Run({"-s", "16", "one.ico"});
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_EQ(testutil::readFile(work_ / "one.ico"), one);

    // The first picture's output is the second picture, reached through another spelling
    // and a hard link; the third is converted all the same.
    fs::create_directory(work_ / "sub");
    Encode(Patterned(20, 20), work_ / "first.jpg", "jpg");
    Encode(Patterned(24, 24), work_ / "sub" / "first.bmp", "bmp24");
    fs::create_hard_link(work_ / "sub" / "first.bmp", work_ / "first.bmp");
    Encode(Patterned(28, 28), work_ / "third.gif", "gif");
    const auto second = testutil::readFile(work_ / "first.bmp");
    r = Run({"-f", "bmp", "first.jpg", "sub/../sub/first.bmp", "third.gif"});
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_EQ(testutil::readFile(work_ / "first.bmp"), second);
    EXPECT_TRUE(fs::exists(work_ / "third.bmp"));
    EXPECT_EQ(r.Out.find("first.bmp"), std::string::npos) << r.Out;
}
