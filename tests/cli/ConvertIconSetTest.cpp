// Icons of several sizes and in true colour: an SVG disc and a bitmap through
// tessaly-convert, the files read back byte by byte and by Pillow.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b.at(at + i);
    return v;
}

struct Entry {
    int Size; // 0 stands for 256
    bool Png; // PNG data rather than a bitmap image
    int Bits; // the bitmap's own bit count (0 for PNG)
    std::vector<std::uint8_t> Data;
};

std::vector<Entry> Entries(const fs::path& ico) {
    const auto bytes = testutil::readFile(ico);
    std::vector<Entry> entries;
    for (std::uint32_t i = 0; i < Le(bytes, 4, 2); ++i) {
        const std::size_t at = 6 + 16 * i;
        const std::size_t offset = Le(bytes, at + 12, 4);
        const std::size_t size = Le(bytes, at + 8, 4);
        Entry e{bytes.at(at), bytes.at(offset) == 0x89 && bytes.at(offset + 1) == 'P', 0,
                std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + size)};
        if (!e.Png) e.Bits = static_cast<int>(Le(bytes, offset + 14, 2));
        entries.push_back(e);
    }
    return entries;
}

std::vector<int> Sizes(const std::vector<Entry>& entries) {
    std::vector<int> sizes;
    for (const Entry& e : entries)
        sizes.push_back(e.Size);
    return sizes;
}

} // namespace

TEST(ConvertIconSet, SizesColoursAndFormats) {
    testutil::TempDir tmp;
    const fs::path work = tmp.path();
    std::ofstream(work / "disc.svg")
        << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 100' width='7' height='9'>"
           "<circle cx='50' cy='50' r='40' fill='#c03020'/></svg>";
    Encode(Patterned(40, 30), work / "pattern.bmp", "bmp24");

    // True colour: largest first, 256 PNG-coded, the rest 32-bit bitmaps; the disc drawn
    // at each size keeps its area (pi r^2, r = 0.4 of the side) as the sum of its alpha.
    RunResult r = RunConvert(work, {"--size", "16,48,256,32", "--colors", "true", "disc.svg"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto disc = Entries(work / "disc.ico");
    ASSERT_EQ(Sizes(disc), (std::vector<int>{0, 48, 32, 16}));
    EXPECT_TRUE(disc[0].Png);
    for (std::size_t i = 1; i < disc.size(); ++i)
        EXPECT_EQ(disc[i].Bits, 32) << disc[i].Size;
    const auto pillow = testutil::runCommand(
        testutil::systemPython() +
        " -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
        "[print(s[0], im.ico.getimage(s).mode, sum(im.ico.getimage(s).getchannel('A').getdata()) / "
        "255) "
        "for s in sorted(im.info['sizes'])]\" " +
        testutil::shellQuote((work / "disc.ico").string()));
    ASSERT_EQ(pillow.exitCode, 0) << pillow.output;
    std::istringstream lines(pillow.output);
    int count = 0;
    for (int size : {16, 32, 48, 256}) {
        int read = 0;
        std::string mode;
        double area = 0;
        lines >> read >> mode >> area;
        const double expected = M_PI * 0.16 * size * size;
        EXPECT_EQ(read, size);
        EXPECT_EQ(mode, "RGBA");
        EXPECT_NEAR(area, expected, expected * (size < 32 ? 0.02 : 0.005)) << size;
        ++count;
    }
    EXPECT_EQ(count, 4);

    // 16 and 256 colours: each size exactly the image a single-size run makes.
    fs::create_directory(work / "one");
    r = RunConvert(work, {"--size", "24,16", "pattern.bmp"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto set = Entries(work / "pattern.ico");
    ASSERT_EQ(Sizes(set), (std::vector<int>{24, 16}));
    for (const Entry& e : set) {
        r = RunConvert(work, {"-o", "one", "--size", std::to_string(e.Size), "pattern.bmp"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        const auto one = Entries(work / "one" / "pattern.ico");
        ASSERT_EQ(one.size(), 1u);
        EXPECT_EQ(e.Data, one[0].Data) << e.Size;
    }

    // Bitmaps: a file per size, each named for its size and printed; mico: appended.
    r = RunConvert(work, {"-f", "bmp", "-s", "32,16", "-c", "true", "pattern.bmp"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, (work / "pattern-32.bmp").string() + "\n" +
                         (work / "pattern-16.bmp").string() + "\n");
    const BitmapFile bmp = ProbeBmp(work / "pattern-16.bmp");
    EXPECT_EQ(bmp.Mode, "RGBA");
    EXPECT_EQ(bmp.Width, 16);
    fs::remove(work / "pattern-32.bmp");
    r = RunConvert(work, {"-f", "bmp", "-s", "32,16", "--no-replace", "pattern.bmp"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, (work / "pattern-32.bmp").string() + "\n");
    EXPECT_NE(r.Err.find("kept existing file " + (work / "pattern-16.bmp").string()),
              std::string::npos)
        << r.Err;
    r = RunConvert(work, {"-f", "mico", "-o", "all.ico", "-s", "16,32", "pattern.bmp", "disc.svg"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Sizes(Entries(work / "all.ico")), (std::vector<int>{32, 16, 32, 16}));
}
