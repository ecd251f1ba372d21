// Frame 0 of GIFs written by ImageMagick and gifsicle, decoded by us and by Pillow.

#include <QString>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "GIFTestSupport.h"
#include "gif/GIFImage.h"
#include "utils/TestUtils.h"

using namespace giftest;
namespace fs = std::filesystem;

namespace {

struct PillowFrame {
    int screenWidth = 0, screenHeight = 0;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Bytes palette;
    Bytes indices;
};

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

PillowFrame PillowDecode(const fs::path& file) {
    const std::string script = std::string(TESSALY_SOURCE_DIR) + "/tests/gif/pillow_frame0.py";
    const auto result =
        testutil::runCommand(testutil::systemPython() + " " + testutil::shellQuote(script) + " " +
                             testutil::shellQuote(file.string()));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::istringstream lines(result.output);
    std::string path, sizes, palette, indices;
    std::getline(lines, path);
    std::getline(lines, sizes);
    std::getline(lines, palette);
    std::getline(lines, indices);
    PillowFrame frame;
    std::istringstream(sizes) >> frame.screenWidth >> frame.screenHeight >> frame.x0 >> frame.y0 >>
        frame.x1 >> frame.y1;
    frame.palette = FromHex(palette);
    frame.indices = FromHex(indices);
    return frame;
}

// Runs a shell command that must succeed.
void Shell(const std::string& command) {
    const auto result = testutil::runCommand(command);
    ASSERT_EQ(result.exitCode, 0) << command << "\n" << result.output;
}

std::string Quoted(const fs::path& path) {
    return testutil::shellQuote(path.string());
}

// Our frame 0 against Pillow's: placement, colour table and every index.
void ExpectSameFrame0(const fs::path& file) {
    SCOPED_TRACE(file.filename().string());
    TGIFImage image;
    image.LoadFromFile(QString::fromStdString(file.string()));
    ASSERT_GE(image.Images().Count(), 1);
    const TGIFSubImage& frame = image.Images()[0];
    const PillowFrame pillow = PillowDecode(file);

    EXPECT_EQ(image.Width(), pillow.screenWidth);
    EXPECT_EQ(image.Height(), pillow.screenHeight);
    EXPECT_EQ(frame.Left(), pillow.x0);
    EXPECT_EQ(frame.Top(), pillow.y0);
    EXPECT_EQ(frame.Left() + frame.Width(), pillow.x1);
    EXPECT_EQ(frame.Top() + frame.Height(), pillow.y1);

    const TGIFColorMap& colors = frame.ActiveColorMap();
    ASSERT_GE(pillow.palette.size(), static_cast<std::size_t>(colors.Count()) * 3);
    Bytes ours;
    for (int i = 0; i < colors.Count(); ++i) {
        ours.insert(ours.end(), {colors[i].Red, colors[i].Green, colors[i].Blue});
    }
    EXPECT_EQ(ours, Bytes(pillow.palette.begin(),
                          pillow.palette.begin() + static_cast<std::ptrdiff_t>(ours.size())));
    EXPECT_EQ(frame.Data(), pillow.indices);
}

// The same file with its global colour table moved into each frame's descriptor.
Bytes GlobalToLocal(const Bytes& in) {
    const std::uint8_t flags = in.at(10);
    if (!(flags & 0x80)) return in;
    const std::size_t tableSize = 3 * (std::size_t{2} << (flags & 7));
    const Bytes table(in.begin() + 13, in.begin() + 13 + static_cast<std::ptrdiff_t>(tableSize));
    Bytes out(in.begin(), in.begin() + 13);
    out[10] = static_cast<std::uint8_t>(flags & 0x70);
    std::size_t pos = 13 + tableSize;
    auto copySubBlocks = [&] {
        while (pos < in.size()) {
            const std::size_t size = in[pos];
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos),
                       in.begin() +
                           static_cast<std::ptrdiff_t>(std::min(in.size(), pos + 1 + size)));
            pos += 1 + size;
            if (size == 0) break;
        }
    };
    while (pos < in.size()) {
        const std::uint8_t block = in[pos];
        if (block == 0x21) {
            out.insert(out.end(), {in[pos], in[pos + 1]});
            pos += 2;
            copySubBlocks();
        } else if (block == 0x2C) {
            Bytes descriptor(in.begin() + static_cast<std::ptrdiff_t>(pos),
                             in.begin() + static_cast<std::ptrdiff_t>(pos + 10));
            pos += 10;
            Append(out, descriptor);
            if (descriptor[9] & 0x80) {
                const std::size_t localSize = 3 * (std::size_t{2} << (descriptor[9] & 7));
                out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos),
                           in.begin() + static_cast<std::ptrdiff_t>(pos + localSize));
                pos += localSize;
            } else {
                out[out.size() - 1] = static_cast<std::uint8_t>(descriptor[9] | 0x80 | (flags & 7));
                Append(out, table);
            }
            out.push_back(in[pos++]); // minimum code size
            copySubBlocks();
        } else {
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos), in.end());
            break;
        }
    }
    return out;
}

class GIFConformance : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testutil::haveProgram(convert)) << "ImageMagick is needed";
        ASSERT_TRUE(testutil::haveProgram("gifsicle")) << "gifsicle is needed";
    }

    // A plasma picture reduced to `colors` colours.
    fs::path Plasma(const std::string& name, int width, int height, int colors, int seed,
                    const std::string& options = "") {
        const fs::path out = dir / name;
        Shell(convert + " -seed " + std::to_string(seed) + " -size " + std::to_string(width) + "x" +
              std::to_string(height) + " plasma:fractal -colors " + std::to_string(colors) + " " +
              options + " " + Quoted(out));
        return out;
    }

    testutil::TempDir dir;
    const std::string convert = ConvertProgram();
};

} // namespace

TEST_F(GIFConformance, ColourCountsFromTwoTo256AtOddSizes) {
    ExpectSameFrame0(Plasma("c2.gif", 37, 23, 2, 1));
    ExpectSameFrame0(Plasma("c5.gif", 13, 7, 5, 2));
    ExpectSameFrame0(Plasma("c16.gif", 64, 1, 16, 3));
    ExpectSameFrame0(Plasma("c77.gif", 101, 59, 77, 4));
    ExpectSameFrame0(Plasma("c256.gif", 257, 129, 256, 5));
    ExpectSameFrame0(Plasma("tall.gif", 1, 300, 256, 6));
    // A grey ramp of 256 levels: long runs, every code width.
    const fs::path ramp = dir / "ramp.gif";
    Shell(convert + " -size 256x99 gradient:black-white -colors 256 " + Quoted(ramp));
    ExpectSameFrame0(ramp);
}

TEST_F(GIFConformance, InterlacedFrames) {
    ExpectSameFrame0(Plasma("il.gif", 45, 33, 64, 7, "-interlace GIF"));
    ExpectSameFrame0(Plasma("il3.gif", 9, 3, 3, 8, "-interlace GIF"));
    const fs::path source = Plasma("plain.gif", 71, 18, 200, 9);
    const fs::path interlaced = dir / "gifsicle-il.gif";
    Shell("gifsicle -i " + Quoted(source) + " > " + Quoted(interlaced));
    ExpectSameFrame0(interlaced);
}

TEST_F(GIFConformance, TransparentFrames) {
    const fs::path source = Plasma("t-src.gif", 30, 20, 16, 10);
    const fs::path transparent = dir / "t.gif";
    Shell("gifsicle -t 3 " + Quoted(source) + " > " + Quoted(transparent));
    ExpectSameFrame0(transparent);
    TGIFImage image;
    image.LoadFromFile(QString::fromStdString(transparent.string()));
    EXPECT_TRUE(image.Images()[0].Transparent());
    EXPECT_EQ(image.Images()[0].TransparentColorIndex(), 3);

    const fs::path magick = dir / "t-im.gif";
    Shell(convert + " -size 21x17 xc:red -fill blue -draw 'rectangle 3,3 12,9' -transparent red " +
          Quoted(magick));
    ExpectSameFrame0(magick);
    image.LoadFromFile(QString::fromStdString(magick.string()));
    EXPECT_TRUE(image.Images()[0].Transparent());
}

TEST_F(GIFConformance, SeveralFramesAndFramesAtAnOffset) {
    const fs::path a = Plasma("a.gif", 40, 30, 7, 11);
    const fs::path b = Plasma("b.gif", 40, 30, 5, 12);
    const fs::path animation = dir / "anim.gif";
    Shell(convert + " -delay 10 " + Quoted(a) + " " + Quoted(b) + " -loop 0 " + Quoted(animation));
    ExpectSameFrame0(animation);
    TGIFImage image;
    image.LoadFromFile(QString::fromStdString(animation.string()));
    EXPECT_EQ(image.Images().Count(), 2);

    const fs::path merged = dir / "merged.gif";
    Shell("gifsicle --merge --loopcount=3 " + Quoted(b) + " " + Quoted(a) + " > " + Quoted(merged));
    ExpectSameFrame0(merged);

    ExpectSameFrame0(Plasma("off.gif", 11, 7, 9, 13, "-page 40x30+5+6"));
    const fs::path placed = dir / "placed.gif";
    Shell("gifsicle --logical-screen 50x40 --position 11,13 " +
          Quoted(Plasma("small.gif", 13, 9, 30, 14)) + " > " + Quoted(placed));
    ExpectSameFrame0(placed);
    image.LoadFromFile(QString::fromStdString(placed.string()));
    const QImage bitmap = image.Bitmap();
    ASSERT_EQ(bitmap.size(), QSize(50, 40));
    EXPECT_EQ(bitmap.pixel(10, 13), qRgb(255, 255, 255));
    const TGIFColor corner = image.Images()[0].ActiveColorMap()[image.Images()[0].Data()[0]];
    EXPECT_EQ(bitmap.pixel(11, 13), qRgb(corner.Red, corner.Green, corner.Blue));
}

TEST_F(GIFConformance, LocalColourTablesOnly) {
    for (const fs::path& source :
         {Plasma("l1.gif", 23, 19, 12, 15), Plasma("l2.gif", 33, 5, 256, 16, "-interlace GIF")}) {
        const fs::path local = dir / ("local-" + source.filename().string());
        testutil::writeFile(local, GlobalToLocal(testutil::readFile(source)));
        ExpectSameFrame0(local);
        TGIFImage image;
        image.LoadFromFile(QString::fromStdString(local.string()));
        EXPECT_EQ(image.Header().ColorMap().Count(), 0);
        EXPECT_GT(image.Images()[0].ColorMap().Count(), 0);
    }
}
