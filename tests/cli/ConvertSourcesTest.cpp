// Flat source pictures through tessaly-convert, read back by Pillow and icotool and compared
// pixel by pixel with what fitting, reduction and the automatic mask must give; how each
// step treats a kind of picture (JPEG decoding, monochrome shrinking, exact sizes, masked
// pixels in bitmaps) is tested with the step.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::vector<std::string> kFlatKinds = {"bmp24", "bmp8", "gif"};

std::string Extension(const std::string& kind) {
    return kind == "gif" ? ".gif" : ".bmp";
}

class ConvertSources : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::haveProgram("icotool")) GTEST_SKIP() << "icotool is not installed";
        work_ = tmp_.path() / "work";
        fs::create_directory(work_);
    }

    // Converts the pictures (paths relative to the work folder) with the given options into
    // the work folder; expects every one to be written, without a warning.
    void Convert(const std::vector<std::string>& args) {
        const RunResult r = RunConvert(work_, args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        ASSERT_EQ(r.Err, "");
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
