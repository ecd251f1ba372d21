// LZW decoding, interlacing and the fill of pixels the data does not reach.

#include <gtest/gtest.h>
#include <random>

#include "GIFTestSupport.h"
#include "gif/GIFImage.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

using namespace giftest;
using testutil::Contains;

namespace {

std::vector<std::uint8_t> Random(std::size_t count, int colors, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(count);
    for (auto& v : out)
        v = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    return out;
}

// One frame of `width` x `height` whose image data is `data` (minimum code size, then the
// sub-blocks as given), after `before`.
Bytes FileWithData(int width, int height, const Bytes& data, const Bytes& before = {}) {
    Bytes out = Header(width, height, Colors(4));
    Append(out, before);
    out.push_back(0x2C);
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, width);
    PutWord(out, height);
    out.push_back(0);
    Append(out, data);
    return out;
}

std::vector<std::uint8_t> Decoded(const Bytes& file) {
    TGIFImage image;
    Load(image, file);
    return image.Images()[0].Data();
}

} // namespace

TEST(GIFDecode, RoundTripsAcrossCodeSizesTableGrowthAndClears) {
    struct Case {
        int width, height, colors, minCodeSize;
        unsigned seed;
    };
    // Random data fills the table (clear codes every 4096 entries); a pattern of runs gives
    // long strings; code size 11 is the largest there is.
    for (const Case& c :
         {Case{1, 1, 2, 2, 1}, Case{7, 5, 2, 2, 2}, Case{31, 17, 4, 2, 3}, Case{97, 61, 16, 4, 4},
          Case{300, 200, 256, 8, 5}, Case{64, 64, 200, 11, 6}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " s=" << c.minCodeSize);
        const auto pixels = Random(static_cast<std::size_t>(c.width) * c.height, c.colors, c.seed);
        Bytes file = Header(c.width, c.height, Colors(256));
        AddImage(file, {0, 0, c.width, c.height, pixels, {}, false, c.minCodeSize});
        file.push_back(0x3B);
        EXPECT_EQ(Decoded(file), pixels);
    }
    std::vector<std::uint8_t> runs;
    for (int i = 0; i < 200000; ++i)
        runs.push_back(static_cast<std::uint8_t>((i / 997) % 3));
    Bytes file = Header(500, 400, Colors(4));
    AddImage(file, {0, 0, 500, 400, runs, {}, false, 2});
    EXPECT_EQ(Decoded(file), runs);
}

TEST(GIFDecode, InterlacedRowsComeInTheFourPassesOrder) {
    // Row k of the data (filled with the value k) belongs to picture row order[k].
    const int order[16] = {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15};
    std::vector<std::uint8_t> stored;
    for (int k = 0; k < 16; ++k)
        stored.insert(stored.end(), 3, static_cast<std::uint8_t>(k));
    Bytes data = {4};
    Append(data, SubBlocks(LZWCodes(stored, 4)));
    Bytes file = FileWithData(3, 16, data);
    file[file.size() - data.size() - 1] = 0x40; // the interlace flag
    TGIFImage image;
    Load(image, file);
    const TGIFSubImage& frame = image.Images()[0];
    ASSERT_TRUE(frame.Interlaced());
    const auto pixels = frame.Data();
    for (int k = 0; k < 16; ++k) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixels[order[k] * 3 + x], k) << "data row " << k;
    }
}

TEST(GIFDecode, InterlacedFramesOfEveryHeightRoundTrip) {
    for (int height = 1; height <= 19; ++height) {
        SCOPED_TRACE(height);
        const auto pixels =
            Random(static_cast<std::size_t>(5 * height), 4, static_cast<unsigned>(height));
        Bytes file = Header(5, height, Colors(4));
        AddImage(file, {0, 0, 5, height, pixels, {}, true, 2});
        file.push_back(0x3B);
        EXPECT_EQ(Decoded(file), pixels);
    }
}

TEST(GIFDecode, ShortDataLeavesZeroOrTheTransparentIndex) {
    const auto full = Pattern(6, 4, 4);
    const std::vector<std::uint8_t> half(full.begin(), full.begin() + 9);
    Bytes data = {2};
    Append(data, SubBlocks(LZWCodes(half, 2)));

    auto expected = [&](std::uint8_t fill) {
        std::vector<std::uint8_t> out(full.size(), fill);
        std::copy(half.begin(), half.end(), out.begin());
        return out;
    };
    EXPECT_EQ(Decoded(FileWithData(6, 4, data)), expected(0));

    Bytes control;
    AddGraphicControl(control, true, 3);
    TGIFImage image;
    Load(image, FileWithData(6, 4, data, control));
    EXPECT_EQ(image.Images()[0].Data(), expected(3));
    // A control block without the transparency flag leaves the fill at 0.
    Bytes opaque;
    AddGraphicControl(opaque, false, 3);
    EXPECT_EQ(Decoded(FileWithData(6, 4, data, opaque)), expected(0));

    // Data that stops without an end code: the size-0 block ends it.
    Bytes noEnd = {2};
    Append(noEnd, SubBlocks(LZWCodes(half, 2, false)));
    const auto warnings = Load(image, FileWithData(6, 4, noEnd));
    EXPECT_TRUE(Contains(warnings, "Decoder bit buffer under-run"));
    EXPECT_EQ(image.Images()[0].Data(), expected(0));

    // A minimum code size as the file's last byte: nothing decoded, no error.
    EXPECT_EQ(Decoded(FileWithData(6, 4, {2})), std::vector<std::uint8_t>(24, 0));
}

TEST(GIFDecode, SubBlockCutByTheEndOfFileUsesTheBytesThere) {
    const auto pixels = Random(400, 4, 9);
    Bytes data = {2};
    const Bytes codes = LZWCodes(pixels, 2);
    data.push_back(static_cast<std::uint8_t>(codes.size() + 10)); // claims more than there is
    Append(data, codes);
    TGIFImage image;
    const auto warnings = Load(image, FileWithData(20, 20, data));
    EXPECT_TRUE(Contains(warnings, "Premature end of data"));
    EXPECT_EQ(image.Images()[0].Data(), pixels);
}

TEST(GIFDecode, ReadingGoesOnAfterTheFramesSizeZeroBlock) {
    // An early end code with more data behind it in the sub-blocks, then a second frame.
    const auto pixels = Pattern(4, 3, 4);
    Bytes early = LZWCodes({pixels.begin(), pixels.begin() + 5}, 2);
    Append(early, {0x2C, 0x21, 0x3B, 0x99});
    Bytes file = Header(4, 3, Colors(4));
    Append(file, {0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0, 2});
    Append(file, SubBlocks(early, 3));
    // Data for more pixels than the frame has, without an end code.
    const auto extra = Pattern(8, 3, 4);
    Append(file, {0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0, 2});
    Append(file, SubBlocks(LZWCodes(extra, 2, false)));
    // All pixels followed by a clear code and more codes.
    Bytes cleared = LZWCodes(pixels, 2, false);
    Append(cleared, LZWCodes(pixels, 2));
    Append(file, {0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0, 2});
    Append(file, SubBlocks(cleared, 4));
    file.push_back(0x3B);

    TGIFImage image;
    const auto warnings = Load(image, file);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_EQ(image.Images().Count(), 3);
    std::vector<std::uint8_t> first(12, 0);
    std::copy(pixels.begin(), pixels.begin() + 5, first.begin());
    EXPECT_EQ(image.Images()[0].Data(), first);
    EXPECT_EQ(image.Images()[1].Data(),
              std::vector<std::uint8_t>(extra.begin(), extra.begin() + 12));
    EXPECT_EQ(image.Images()[2].Data(), pixels);
}

TEST(GIFDecode, CodeBeyondTheNextFreeCodeRepeatsThePreviousString) {
    // Code size 2: clear 4, end 5, first free 6. After the literal 1, code 7 is taken as
    // the string 1 1 (the previous string and its own first character), as 6 would be.
    const Bytes codes = PackCodes({{4, 3}, {1, 3}, {7, 3}, {5, 3}});
    Bytes data = {2};
    Append(data, SubBlocks(codes));
    EXPECT_EQ(Decoded(FileWithData(3, 1, data)), (std::vector<std::uint8_t>{1, 1, 1}));
    const Bytes exact = PackCodes({{4, 3}, {1, 3}, {6, 3}, {5, 3}});
    Bytes exactData = {2};
    Append(exactData, SubBlocks(exact));
    EXPECT_EQ(Decoded(FileWithData(3, 1, exactData)), (std::vector<std::uint8_t>{1, 1, 1}));
}

TEST(GIFDecode, ACodeWithoutStringIsCorruptData) {
    // After a clear only a literal can come; 7 names nothing.
    Bytes data = {2};
    Append(data, SubBlocks(PackCodes({{4, 3}, {7, 3}, {5, 3}})));
    EXPECT_EQ(LoadError(FileWithData(2, 2, data)), "Circular decoder table entry");
    // The same at the very start, without a clear code.
    Bytes start = {2};
    Append(start, SubBlocks(PackCodes({{6, 3}, {5, 3}})));
    EXPECT_EQ(LoadError(FileWithData(2, 2, start)), "Circular decoder table entry");
}

TEST(GIFDecode, RandomGarbageNeverOverrunsTheFrame) {
    std::mt19937 random(77);
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + static_cast<int>(random() % 40);
        const int height = 1 + static_cast<int>(random() % 40);
        Bytes garbage(1 + random() % 600);
        for (auto& b : garbage)
            b = static_cast<std::uint8_t>(random());
        Bytes data = {static_cast<std::uint8_t>(random() % 12)};
        Append(data, SubBlocks(garbage, 1 + random() % 255));
        TGIFImage image;
        try {
            Load(image, FileWithData(width, height, data));
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "Circular decoder table entry");
            continue;
        }
        ASSERT_EQ(image.Images().Count(), 1);
        EXPECT_LE(image.Images()[0].DecodedCount(), static_cast<std::size_t>(width) * height);
        EXPECT_EQ(image.Images()[0].Data().size(), static_cast<std::size_t>(width) * height);
    }
}
