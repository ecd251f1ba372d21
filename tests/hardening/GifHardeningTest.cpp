// GIF files that are damaged or built to cost much: a frame claiming far more pixels than
// the screen shows, downloads cut short inside image data, a graphic control block of the
// wrong size and colour indices the colour table does not have.
#include "HardeningSupport.h"
#include "gif/GIFTestSupport.h"

#include "gif/GIFImage.h"
#include "process/loading/PictureLoader.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

#include <QBuffer>
#include <QByteArray>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using hardening::Bytes;

namespace {

// Colour i of a table is (10 i, 255 - 10 i, 3 i).
std::uint8_t Red(int i) {
    return static_cast<std::uint8_t>(10 * i);
}
std::uint8_t Green(int i) {
    return static_cast<std::uint8_t>(255 - 10 * i);
}
std::uint8_t Blue(int i) {
    return static_cast<std::uint8_t>(3 * i);
}

// Signature, screen and a global table of 2^(sizeBits + 1) colours.
Bytes Header(int width, int height, int sizeBits) {
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    giftest::PutWord(out, width);
    giftest::PutWord(out, height);
    out.push_back(static_cast<std::uint8_t>(0x80 | sizeBits));
    out.push_back(0);
    out.push_back(0);
    for (int i = 0; i < (2 << sizeBits); ++i) {
        out.push_back(Red(i));
        out.push_back(Green(i));
        out.push_back(Blue(i));
    }
    return out;
}

void Descriptor(Bytes& out, int left, int top, int width, int height) {
    out.push_back(0x2C);
    giftest::PutWord(out, left);
    giftest::PutWord(out, top);
    giftest::PutWord(out, width);
    giftest::PutWord(out, height);
    out.push_back(0);
}

// The LZW codes of `indices` (each below 2^minCodeSize) as literals only: a clear code
// before every run short enough that the code width never grows, then the end code, packed
// least significant bit first.
Bytes LiteralCodes(const std::vector<std::uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    const std::size_t run = static_cast<std::size_t>(clear - 2);
    std::vector<int> codes;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % run == 0) codes.push_back(clear);
        codes.push_back(indices[i]);
    }
    codes.push_back(clear + 1);
    std::vector<std::pair<int, int>> sized;
    for (int code : codes)
        sized.emplace_back(code, width);
    return giftest::PackCodes(sized);
}

// Minimum code size, the codes in sub-blocks of at most `blockSize` bytes, the size-0 block.
void ImageData(Bytes& out, const Bytes& codes, int minCodeSize, std::size_t blockSize = 255) {
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    giftest::Append(out, giftest::SubBlocks(codes, blockSize));
}

std::vector<std::uint8_t> Pattern(int count, int colors) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        indices[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7 + i / 5) % colors);
    return indices;
}

// A 16 x 16 screen with one frame covering it, 8 colours, the codes in 16-byte blocks.
Bytes SmallGif(std::size_t* dataStart = nullptr, std::size_t* dataEnd = nullptr) {
    Bytes gif = Header(16, 16, 2);
    Descriptor(gif, 0, 0, 16, 16);
    if (dataStart) *dataStart = gif.size();
    ImageData(gif, LiteralCodes(Pattern(256, 8), 3), 3, 16);
    if (dataEnd) *dataEnd = gif.size();
    gif.push_back(0x3B);
    return gif;
}

void LoadBytes(TGIFImage& gif, const Bytes& bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    gif.LoadFromStream(buffer);
}

fs::path Save(const testutil::TempDir& dir, const std::string& name, const Bytes& bytes) {
    testutil::writeFile(dir / name, bytes);
    return dir / name;
}

std::string LoaderError(const fs::path& file) {
    try {
        LoadGifPicture(Q(file));
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace

// Found by fuzzing: a 2 x 8 screen whose one frame claims 65535 x 4096 pixels (2^28, the
// most a frame may have) with a few bytes of data. Only the 2 x 8 corner can show, so only
// that corner may cost anything; the frame's own picture is never built.
TEST(GifHardening, AHugeFrameOnATinyScreenCostsWhatTheScreenShows) {
    Bytes gif = Header(2, 8, 1);
    Descriptor(gif, 0, 0, 65535, 4096);
    const std::vector<std::uint8_t> pixels{1, 2, 3, 1, 2};
    ImageData(gif, LiteralCodes(pixels, 2), 2);
    gif.push_back(0x3B);
    testutil::TempDir dir;
    const fs::path file = Save(dir, "bomb.gif", gif);

    const QImage picture = LoadGifPicture(Q(file));
    ASSERT_EQ(picture.size(), QSize(2, 8));
    // Row 0 shows the first two decoded pixels; every other pixel on screen was never
    // reached by the data and shows index 0.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 2; ++x) {
            const int index = y == 0 ? pixels[static_cast<std::size_t>(x)] : 0;
            EXPECT_EQ(picture.pixelColor(x, y).rgb(), qRgb(Red(index), Green(index), Blue(index)))
                << x << "," << y;
        }
    }

    const std::int64_t growth = hardening::PeakMemoryGrowthKiB([&] {
        TGIFImage image;
        image.LoadFromFile(Q(file));
        QImage shown;
        image.AssignTo(shown);
        LoadGifPicture(Q(file));
    });
    ASSERT_GE(growth, 0) << "loading failed in the child";
    // Building the frame's own picture would take 256 MiB.
    EXPECT_LT(growth, 32 * 1024) << "KiB";
}

TEST(GifHardening, TheVisiblePartOfAFrameLargerThanTheScreenIsDrawnExactly) {
    // A 4 x 3 screen, a 6 x 5 frame at (1, 1): columns 1..3 and rows 1..2 of the screen
    // show the frame's top-left 3 x 2 corner; the rest is white.
    Bytes gif = Header(4, 3, 2);
    Descriptor(gif, 1, 1, 6, 5);
    const std::vector<std::uint8_t> pixels = Pattern(30, 8);
    ImageData(gif, LiteralCodes(pixels, 3), 3);
    gif.push_back(0x3B);
    TGIFImage image;
    LoadBytes(image, gif);
    QImage picture;
    image.AssignTo(picture);
    ASSERT_EQ(picture.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            QRgb expected = qRgb(255, 255, 255);
            if (x >= 1 && y >= 1) {
                const int index = pixels[static_cast<std::size_t>((y - 1) * 6 + (x - 1))];
                expected = qRgb(Red(index), Green(index), Blue(index));
            }
            EXPECT_EQ(picture.pixelColor(x, y).rgb(), expected) << x << "," << y;
        }
    }
}

TEST(GifHardening, AFileThatEndsInsideImageDataIsRefusedAsCutShort) {
    std::size_t dataStart = 0, dataEnd = 0;
    const Bytes whole = SmallGif(&dataStart, &dataEnd);
    testutil::TempDir dir;
    ASSERT_EQ(LoaderError(Save(dir, "whole.gif", whole)), "");

    // Cut before the minimum code size, after it, at a block's size byte, inside a block,
    // and just before the size-0 block.
    for (std::size_t cut :
         {dataStart, dataStart + 1, dataStart + 1 + 17, dataStart + 1 + 20, dataEnd - 1}) {
        SCOPED_TRACE(cut);
        const Bytes bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        // The reader keeps what is there, as it always did...
        TGIFImage image;
        LoadBytes(image, bytes);
        ASSERT_EQ(image.Images().Count(), 1);
        EXPECT_TRUE(image.DataCutShort());
        // ...and the program refuses the picture.
        const fs::path file = Save(dir, "cut.gif", bytes);
        EXPECT_EQ(LoaderError(file), "The GIF file ends inside its image data");
        const LoadResult load = LoadWithLoader(file);
        EXPECT_FALSE(load.Ok);
        EXPECT_EQ(load.Message, QStringLiteral("Picture error: Cannot load picture ") + Q(file));
    }

    // Ending right after the size-0 block (no trailer) is a whole file.
    const Bytes noTrailer(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(dataEnd));
    TGIFImage image;
    LoadBytes(image, noTrailer);
    EXPECT_FALSE(image.DataCutShort());
    EXPECT_EQ(LoaderError(Save(dir, "notrailer.gif", noTrailer)), "");
}

TEST(GifHardening, ALaterFrameCutShortRefusesTheFileToo) {
    std::size_t dataStart = 0;
    Bytes gif = SmallGif(&dataStart);
    gif.pop_back(); // the trailer
    Descriptor(gif, 0, 0, 16, 16);
    Bytes second;
    ImageData(second, LiteralCodes(Pattern(256, 8), 3), 3, 16);
    gif.insert(gif.end(), second.begin(), second.begin() + 30);
    TGIFImage image;
    LoadBytes(image, gif);
    EXPECT_EQ(image.Images().Count(), 2);
    EXPECT_TRUE(image.DataCutShort());
    testutil::TempDir dir;
    EXPECT_EQ(LoaderError(Save(dir, "two.gif", gif)), "The GIF file ends inside its image data");
}

TEST(GifHardening, DataEndedByItsOwnTerminatorStillLoadsWithTheMissingPixelsAtZero) {
    Bytes gif = Header(16, 16, 2);
    Descriptor(gif, 0, 0, 16, 16);
    const std::vector<std::uint8_t> few = Pattern(40, 8);
    ImageData(gif, LiteralCodes(few, 3), 3);
    gif.push_back(0x3B);
    testutil::TempDir dir;
    const QImage picture = LoadGifPicture(Q(Save(dir, "short.gif", gif)));
    ASSERT_EQ(picture.size(), QSize(16, 16));
    for (int i = 0; i < 256; ++i) {
        const int index = i < 40 ? few[static_cast<std::size_t>(i)] : 0;
        EXPECT_EQ(picture.pixelIndex(i % 16, i / 16), index) << i;
    }
}

TEST(GifHardening, AGraphicControlBlockOfAnotherSizeThanFourIsRefused) {
    const Bytes plain = SmallGif();
    const std::size_t descriptorAt = Header(16, 16, 2).size();
    testutil::TempDir dir;
    for (int size : {0, 2, 3, 5, 255}) {
        SCOPED_TRACE(size);
        Bytes gif(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(descriptorAt));
        const Bytes block{0x21, 0xF9, static_cast<std::uint8_t>(size), 0, 0, 0};
        gif.insert(gif.end(), block.begin(), block.end());
        gif.insert(gif.end(), plain.begin() + static_cast<std::ptrdiff_t>(descriptorAt),
                   plain.end());
        TGIFImage image;
        try {
            LoadBytes(image, gif);
            ADD_FAILURE() << "loaded";
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "Invalid graphic control block size");
        }
        EXPECT_FALSE(LoadWithLoader(Save(dir, "gce.gif", gif)).Ok);
    }
    // The size the format fixes loads, with its transparent index taking effect.
    Bytes gif(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(descriptorAt));
    const Bytes block{0x21, 0xF9, 4, 1, 0, 0, 5, 0};
    gif.insert(gif.end(), block.begin(), block.end());
    gif.insert(gif.end(), plain.begin() + static_cast<std::ptrdiff_t>(descriptorAt), plain.end());
    TGIFImage image;
    LoadBytes(image, gif);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_TRUE(image.Images()[0].Transparent());
    EXPECT_EQ(image.Images()[0].TransparentColorIndex(), 5);
}

TEST(GifHardening, PixelsBeyondTheColourTableAreRefusedWhereThePictureShowsThem) {
    testutil::TempDir dir;
    // Four colours in the table, indices up to 7 possible with a minimum code size of 3.
    auto build = [](int left, int top, int size, int badAt) {
        Bytes gif = Header(8, 8, 1);
        Descriptor(gif, left, top, size, size);
        std::vector<std::uint8_t> pixels = Pattern(size * size, 4);
        if (badAt >= 0) pixels[static_cast<std::size_t>(badAt)] = 6;
        ImageData(gif, LiteralCodes(pixels, 3), 3);
        gif.push_back(0x3B);
        return gif;
    };
    EXPECT_EQ(LoaderError(Save(dir, "fine.gif", build(0, 0, 8, -1))), "");
    for (int badAt : {0, 37, 63}) {
        SCOPED_TRACE(badAt);
        const Bytes gif = build(0, 0, 8, badAt);
        TGIFImage image;
        LoadBytes(image, gif);
        EXPECT_TRUE(image.ShowsIndexBeyondColorTable());
        EXPECT_EQ(LoaderError(Save(dir, "bad.gif", gif)),
                  "The GIF picture uses colours its colour table does not have");
    }
    // A 10 x 10 frame at (4, 4) on the 8 x 8 screen shows only its top-left 4 x 4 corner: a
    // bad pixel outside it does not matter, one inside it does.
    EXPECT_EQ(LoaderError(Save(dir, "off.gif", build(4, 4, 10, 7 * 10 + 7))), "");
    EXPECT_EQ(LoaderError(Save(dir, "on.gif", build(4, 4, 10, 3 * 10 + 3))),
              "The GIF picture uses colours its colour table does not have");
}

// The shared test data's damaged GIF files each give the refusal meant for them.
TEST(GifHardening, DamagedSampleFilesGiveTheirOwnRefusal) {
    const fs::path bad = testutil::testDataDir() / "bad" / "gif";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"generated/trunc-after-lzw-min-code-size.gif", "The GIF file ends inside its image data"},
        {"generated/trunc-lzw-data-at-5-percent.gif", "The GIF file ends inside its image data"},
        {"generated/trunc-lzw-data-at-50-percent.gif", "The GIF file ends inside its image data"},
        {"generated/trunc-lzw-data-at-95-percent.gif", "The GIF file ends inside its image data"},
        {"generated/gce-block-size-2.gif", "Invalid graphic control block size"},
        {"pygif-suite/invalid-colors.gif",
         "The GIF picture uses colours its colour table does not have"},
        // Its second data sub-block claims 81 bytes; 45 are left in the file.
        {"gdk-pixbuf/invalid.4.gif", "The GIF file ends inside its image data"},
    };
    for (const auto& [name, reason] : cases)
        EXPECT_EQ(LoaderError(bad / name), reason) << name;
}
