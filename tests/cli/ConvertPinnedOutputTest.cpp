// The exact bytes tessaly-convert writes for a fixed set of real pictures, pinned by their
// SHA-256. Work done for speed (decoding, fitting, reduction, writing) must leave every
// output byte as it was; a change that alters one has to be deliberate and update the
// fingerprint here. The other end-to-end tests check what the icons must look like; this
// one catches any drift at all, also where several outputs would be acceptable.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

struct Pinned {
    const char* Source; // under the shared test data
    const char* Name;   // the name it is converted under (unique stems)
    int Outputs;        // icon files over all option sets
    const char* Digest; // first 16 hex digits of the SHA-256 of those files, in order
};

// Colour JPEGs in 4:2:0, 4:2:2, progressive and CMYK, a greyscale JPEG, one large enough to
// be held in the big-picture memory, bitmaps of 1, 8 and 24 bits, GIFs and icon files.
const Pinned kPinned[] = {
    {"jpeg/pillow/hopper.jpg", "jpeg-hopper.jpg", 4, "daeef3fdec213982"},
    {"jpeg/pillow/iptc.jpg", "jpeg-iptc.jpg", 4, "8f38650bc06c96c1"},
    {"jpeg/pillow/hopper_gray.jpg", "jpeg-grey.jpg", 4, "a4bfc0fe5d7b001a"},
    {"jpeg/pillow/pil_sample_cmyk.jpg", "jpeg-cmyk.jpg", 4, "d0145112ecd38e58"},
    {"jpeg/pillow/imageops_pad_h_0.jpg", "jpeg-wide.jpg", 4, "9241358bdefdc68e"},
    {"jpeg/image-rs/progressive-cat.jpg", "jpeg-progressive.jpg", 4, "f025829728dea33a"},
    {"jpeg/exif-orientation/Landscape_1.jpg", "jpeg-large.jpg", 4, "2846ebd6f231605b"},
    {"bmp/bmpsuite/g/pal1bg.bmp", "bmp-pal1bg.bmp", 4, "6ffabb721e817cdf"},
    {"bmp/bmpsuite/g/pal8.bmp", "bmp-pal8.bmp", 4, "ed7b7ac5d007bc8c"},
    {"bmp/bmpsuite/g/rgb24.bmp", "bmp-rgb24.bmp", 4, "3e26f1853292abb2"},
    {"gif/pillow/hopper.gif", "gif-hopper.gif", 4, "d093b4eae8f792c9"},
    {"gif/pillow/test.colors.gif", "gif-colors.gif", 4, "d75783c7da49cb79"},
    {"ico/image-rs/smile.ico", "ico-smile.ico", 8, "1ad4f87e1f173ef9"},
    {"ico/image-rs/two-entry-order-test.ico", "ico-two-entry.ico", 8, "d3863a21a04c716a"},
};

// Size and colour count of each run, in the order the digests take the outputs.
const std::pair<int, int> kOptionSets[] = {{16, 16}, {32, 256}, {48, 16}, {48, 256}};

std::string OptionFolder(const std::pair<int, int>& set) {
    char name[32];
    std::snprintf(name, sizeof name, "s%d-c%d", set.first, set.second);
    return name;
}

// The icon files written for the picture named `stem` in one folder: "stem.ico", or
// "stem_1.ico", "stem_2.ico"... for the images of an icon file.
std::vector<fs::path> OutputsOf(const fs::path& folder, const std::string& stem) {
    const std::regex pattern(
        std::regex_replace(stem, std::regex(R"([.^$|()\[\]{}*+?\\-])"), R"(\$&)") +
        R"((_[0-9]+)?\.ico)");
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (std::regex_match(entry.path().filename().string(), pattern))
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

TEST(ConvertPinnedOutput, EveryOutputByteStaysAsPinned) {
    testutil::TempDir tmp;
    const fs::path in = tmp / "in";
    fs::create_directory(in);
    std::vector<std::string> names;
    for (const Pinned& p : kPinned) {
        fs::copy_file(testutil::testDataDir() / p.Source, in / p.Name);
        names.push_back(p.Name);
    }

    for (const auto& set : kOptionSets) {
        const fs::path out = tmp / OptionFolder(set);
        fs::create_directory(out);
        std::vector<std::string> args = {
            "-q", "-s",        std::to_string(set.first), "-c", std::to_string(set.second),
            "-o", out.string()};
        args.insert(args.end(), names.begin(), names.end());
        const RunResult r = RunConvert(in, args);
        ASSERT_EQ(r.ExitCode, 0) << OptionFolder(set) << ": " << r.Err;
    }

    for (const Pinned& p : kPinned) {
        const std::string stem = fs::path(p.Name).stem().string();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        int outputs = 0;
        for (const auto& set : kOptionSets)
            for (const fs::path& file : OutputsOf(tmp / OptionFolder(set), stem)) {
                const auto bytes = testutil::readFile(file);
                hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                ++outputs;
            }
        EXPECT_EQ(outputs, p.Outputs) << p.Source;
        EXPECT_EQ(hash.result().toHex().left(16).toStdString(), p.Digest) << p.Source;
    }
}
