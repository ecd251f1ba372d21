// The block structure of a file: signature, blocks, extensions, trailer and the limits.

#include <QBuffer>
#include <gtest/gtest.h>

#include "GIFTestSupport.h"
#include "gif/GIFAppExtNSLoop.h"
#include "gif/GIFCommentExtension.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFTextExtension.h"
#include "gif/GIFUnknownAppExtension.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

using namespace giftest;
using testutil::Contains;

namespace {

// A 4 x 3 screen with a 4-colour global table, one full-screen frame and the trailer.
Bytes SmallFile(const std::string& signature = "GIF89a") {
    Bytes out = Header(4, 3, Colors(4), signature);
    AddImage(out, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    out.push_back(0x3B);
    return out;
}

// The frame of SmallFile() without trailer, after `extension` bytes.
Bytes FileWithExtension(const Bytes& extension) {
    Bytes out = Header(4, 3, Colors(4));
    Append(out, extension);
    AddImage(out, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    out.push_back(0x3B);
    return out;
}

} // namespace

TEST(GIFSignature, AcceptsGIFInAnyCaseAtOffsetZeroOrFour) {
    for (const Bytes& file : {SmallFile("gif89a"), SmallFile("GiF87a")}) {
        TGIFImage image;
        Load(image, file);
        ASSERT_EQ(image.Images().Count(), 1);
        EXPECT_EQ(image.Images()[0].Data(), Pattern(4, 3, 4));
    }
    Bytes prefixed = {'M', 'a', 'c', 'B'};
    Append(prefixed, SmallFile());
    TGIFImage image;
    Load(image, prefixed);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 3);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images()[0].Data(), Pattern(4, 3, 4));
}

TEST(GIFSignature, RefusesFilesWithoutGIFAtEitherPlace) {
    Bytes noSignature = SmallFile();
    noSignature[0] = 'J';
    EXPECT_EQ(LoadError(noSignature), "Invalid GIF signature");
    // "GIF" at offset 2 is neither place.
    Bytes shifted = {'x', 'y'};
    Append(shifted, SmallFile());
    EXPECT_EQ(LoadError(shifted), "Invalid GIF signature");
    EXPECT_EQ(LoadError({}), "Premature end of data");
    EXPECT_EQ(LoadError({'G', 'I', 'F', '8', '9'}), "Premature end of data");
    // Signature and half a screen descriptor.
    EXPECT_EQ(LoadError({'G', 'I', 'F', '8', '9', 'a', 4, 0, 3}), "Premature end of data");
}

TEST(GIFBlocks, TrailerMayBeMissingOrReplacedByAStrayByte) {
    Bytes noTrailer = SmallFile();
    noTrailer.pop_back();
    TGIFImage image;
    EXPECT_TRUE(Load(image, noTrailer).empty());
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images()[0].Data(), Pattern(4, 3, 4));

    Bytes stray = SmallFile();
    stray.back() = 0x99;
    const auto warnings = Load(image, stray);
    EXPECT_TRUE(Contains(warnings, "Unknown GIF block type"));
    EXPECT_TRUE(Contains(warnings, "Invalid Image trailer"));
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images()[0].Data(), Pattern(4, 3, 4));
}

TEST(GIFBlocks, UnknownBlockEndsTheLoopKeepingEarlierFrames) {
    Bytes file = Header(4, 3, Colors(4));
    AddImage(file, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    file.push_back(0x00); // padding between blocks is passed over
    file.push_back(0x00);
    AddImage(file, {0, 0, 4, 3, std::vector<std::uint8_t>(12, 3), {}, false, 2});
    file.push_back(0x99);
    AddImage(file, {0, 0, 4, 3, std::vector<std::uint8_t>(12, 1), {}, false, 2});
    file.push_back(0x3B);
    TGIFImage image;
    const auto warnings = Load(image, file);
    EXPECT_TRUE(Contains(warnings, "Unknown GIF block type"));
    ASSERT_EQ(image.Images().Count(), 2);
    EXPECT_EQ(image.Images()[1].Data(), std::vector<std::uint8_t>(12, 3));
}

TEST(GIFBlocks, HeaderAndTrailerOnlyLoadsWithoutFrames) {
    Bytes file = Header(4, 3, Colors(4));
    file.push_back(0x3B);
    TGIFImage image;
    Load(image, file);
    EXPECT_EQ(image.Images().Count(), 0);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_TRUE(image.Bitmap().isNull());
    QImage target(7, 7, QImage::Format_Indexed8);
    image.AssignTo(target);
    EXPECT_TRUE(target.isNull());
    EXPECT_EQ(target.width(), 0);
}

TEST(GIFBlocks, ASecondLoadForgetsTheFirstFile) {
    TGIFImage image;
    Load(image, SmallFile());
    ASSERT_FALSE(image.Bitmap().isNull());
    Bytes empty = Header(9, 8, {});
    empty.push_back(0x3B);
    Load(image, empty);
    EXPECT_EQ(image.Images().Count(), 0);
    EXPECT_EQ(image.Width(), 9);
    EXPECT_EQ(image.Header().ColorMap().Count(), 0);
    EXPECT_TRUE(image.Bitmap().isNull());
}

TEST(GIFBlocks, StreamStandsAfterTheFileOrBackAtTheStartOnError) {
    QByteArray data("abcde");
    const Bytes file = SmallFile();
    data.append(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    data.append("tail");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(5);
    TGIFImage image;
    image.LoadFromStream(buffer);
    EXPECT_EQ(buffer.pos(), 5 + static_cast<qint64>(file.size()));
    EXPECT_EQ(buffer.read(4), QByteArray("tail"));

    QByteArray bad("abcdeGIF89a\x04\x00\x03");
    QBuffer badBuffer(&bad);
    badBuffer.open(QIODevice::ReadOnly);
    badBuffer.seek(5);
    EXPECT_THROW(image.LoadFromStream(badBuffer), GIFException);
    EXPECT_EQ(badBuffer.pos(), 5);
}

TEST(GIFExtensions, KnownKindsAreReadAndKept) {
    Bytes extensions;
    AddGraphicControl(extensions, true, 2);
    AddComment(extensions, {"first line", "second"});
    // Plain text: grid 1,2 size 30x40, cells 5x6, colours 1 and 0, then one line.
    Append(extensions, {0x21, 0x01, 12, 1, 0, 2, 0, 30, 0, 40, 0, 5, 6, 1, 0, 3, 'a', 'b', 'c', 0});
    // Loop extension: 7 loops, then a buffer size of 0x01020304.
    Append(extensions, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.',
                        '0',  3,    1,  7,   0,   5,   2,   4,   3,   2,   1,   0});
    // Some other application's data.
    Append(extensions, {0x21, 0xFF, 11,  'X', 'M', 'P', ' ', 'D', 'a', 't',
                        'a',  'X',  'M', 'P', 2,   9,   8,   1,   7,   0});
    TGIFImage image;
    Load(image, FileWithExtension(extensions));
    ASSERT_EQ(image.Images().Count(), 1);
    const TGIFSubImage& frame = image.Images()[0];
    ASSERT_EQ(frame.Extensions().Count(), 5);

    auto* control = dynamic_cast<TGIFGraphicControlExtension*>(&frame.Extensions()[0]);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(frame.GraphicControlExtension(), control);
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.TransparentColorIndex(), 2);

    auto* comment = dynamic_cast<TGIFCommentExtension*>(&frame.Extensions()[1]);
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text(), (std::vector<std::string>{"first line", "second"}));

    auto* text = dynamic_cast<TGIFTextExtension*>(&frame.Extensions()[2]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Left(), 1);
    EXPECT_EQ(text->Top(), 2);
    EXPECT_EQ(text->GridWidth(), 30);
    EXPECT_EQ(text->GridHeight(), 40);
    EXPECT_EQ(text->CharWidth(), 5);
    EXPECT_EQ(text->CharHeight(), 6);
    EXPECT_EQ(text->ForegroundColorIndex(), 1);
    EXPECT_EQ(text->Text(), std::vector<std::string>{"abc"});

    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(&frame.Extensions()[3]);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Identifier(), "NETSCAPE");
    EXPECT_EQ(loop->Authentication(), "2.0");
    EXPECT_EQ(loop->Loops(), 7);
    EXPECT_EQ(loop->BufferSize(), 0x01020304u);

    auto* other = dynamic_cast<TGIFUnknownAppExtension*>(&frame.Extensions()[4]);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Identifier(), "XMP Data");
    ASSERT_EQ(other->Blocks().size(), 2u);
    EXPECT_EQ(other->Blocks()[0].Data, (std::vector<std::uint8_t>{9, 8}));
    EXPECT_EQ(other->Blocks()[1].Data, (std::vector<std::uint8_t>{7}));
    EXPECT_EQ(frame.Data(), Pattern(4, 3, 4));
}

TEST(GIFExtensions, TheFirstGraphicControlGovernsTheFrame) {
    Bytes extensions;
    AddGraphicControl(extensions, false, 1);
    AddGraphicControl(extensions, true, 3);
    TGIFImage image;
    Load(image, FileWithExtension(extensions));
    const TGIFSubImage& frame = image.Images()[0];
    EXPECT_EQ(frame.GraphicControlExtension(), &frame.Extensions()[0]);
    // Any control block with the flag makes the frame transparent; the index is the first's.
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.TransparentColorIndex(), 1);
}

TEST(GIFExtensions, TenByteApplicationBlockConsumesExactlyTenBytes) {
    // Were an 11th byte taken, the sub-block size 3 would be swallowed and 1 read as a size,
    // putting the frame's image descriptor out of step.
    const Bytes extension = {0x21, 0xFF, 10,  'A', 'B', 'C', 'D', 'E', 'F',
                             'G',  'H',  '1', '2', 3,   1,   5,   0,   0};
    TGIFImage image;
    const auto warnings = Load(image, FileWithExtension(extension));
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(image.Images().Count(), 1);
    const TGIFSubImage& frame = image.Images()[0];
    ASSERT_EQ(frame.Extensions().Count(), 1);
    auto* application = dynamic_cast<TGIFUnknownAppExtension*>(&frame.Extensions()[0]);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(application->Identifier(), "");
    ASSERT_EQ(application->Blocks().size(), 1u);
    EXPECT_EQ(application->Blocks()[0].Data, (std::vector<std::uint8_t>{1, 5, 0}));
    EXPECT_FALSE(frame.Empty());
    EXPECT_EQ(frame.Data(), Pattern(4, 3, 4));
}

TEST(GIFExtensions, LongApplicationBlockSkipsItsExtraBytes) {
    const Bytes extension = {0x21, 0xFF, 13,  'N', 'E',  'T',  'S', 'C', 'A', 'P',
                             'E',  '2',  '.', '0', 0xEE, 0xEE, 2,   1,   9,   0};
    TGIFImage image;
    Load(image, FileWithExtension(extension));
    const TGIFSubImage& frame = image.Images()[0];
    const TGIFExtension& extensionRead = frame.Extensions()[0];
    EXPECT_EQ(dynamic_cast<const TGIFAppExtNSLoop*>(&extensionRead), nullptr);
    EXPECT_NE(dynamic_cast<const TGIFApplicationExtension*>(&extensionRead), nullptr);
    EXPECT_EQ(frame.Data(), Pattern(4, 3, 4));
}

TEST(GIFExtensions, MalformedExtensionsRaiseTheirErrors) {
    EXPECT_EQ(LoadError(FileWithExtension({0x21, 0xFA, 2, 1, 2, 0})), "Unknown extension type");
    EXPECT_EQ(LoadError(FileWithExtension(
                  {0x21, 0xFF, 9, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', 0})),
              "Unsupported Application Extension block size");
    EXPECT_EQ(LoadError(FileWithExtension({0x21, 0xFF, 0, 0})),
              "Unsupported Application Extension block size");
    // A loop count sub-block of two bytes, a buffer size sub-block of four.
    EXPECT_EQ(LoadError(FileWithExtension({0x21, 0xFF, 11, 'A', 'N', 'I', 'M', 'E', 'X', 'T', 'S',
                                           '1', '.', '0', 2, 1, 7, 0})),
              "Invalid GIF data");
    EXPECT_EQ(LoadError(FileWithExtension({0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                           'E',  '2',  '.', '0', 4,   2,   1,   1,   1,   0})),
              "Invalid GIF data");
    // Sub-blocks of other types are passed over.
    EXPECT_EQ(LoadError(FileWithExtension({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                           '2', '.', '0', 1, 3, 0})),
              "");

    // A comment whose sub-block runs past the end of the file.
    Bytes cut = Header(4, 3, Colors(4));
    Append(cut, {0x21, 0xFE, 20, 'a', 'b', 'c'});
    EXPECT_EQ(LoadError(cut), "Premature end of data");
    // An introducer as the file's last byte.
    Bytes lone = Header(4, 3, Colors(4));
    lone.push_back(0x21);
    EXPECT_EQ(LoadError(lone), "Premature end of data");
    // A plain text block cut short.
    Bytes text = Header(4, 3, Colors(4));
    Append(text, {0x21, 0x01, 12, 1, 0, 2});
    EXPECT_EQ(LoadError(text), "Premature end of data");
}

TEST(GIFExtensions, ShortGraphicControlBlockAtTheEndIsOnlyAWarning) {
    Bytes file = Header(4, 3, Colors(4));
    Append(file, {0x21, 0xF9, 4, 1, 0});
    TGIFImage image;
    const auto warnings = Load(image, file);
    EXPECT_TRUE(Contains(warnings, "Premature end of data"));
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_TRUE(image.Images()[0].Empty());
    // The transparency flag of a short block is not taken.
    EXPECT_FALSE(image.Images()[0].Transparent());
}

TEST(GIFExtensions, ExtensionsWithoutImageMakeAFrameWithoutPixels) {
    Bytes file = Header(4, 3, Colors(4));
    AddImage(file, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    AddComment(file, {"after the only frame"});
    file.push_back(0x3B);
    TGIFImage image;
    Load(image, file);
    ASSERT_EQ(image.Images().Count(), 2);
    EXPECT_FALSE(image.Images()[0].Empty());
    EXPECT_TRUE(image.Images()[1].Empty());
    EXPECT_TRUE(image.Images()[1].Data().empty());
}

TEST(GIFLimits, ZeroFrameSizeTakesTheScreenSize) {
    Bytes file = Header(5, 2, Colors(2));
    AddImage(file, {0, 0, 0, 7, Pattern(5, 2, 2), {}, false, 2});
    file.push_back(0x3B);
    TGIFImage image;
    const auto warnings = Load(image, file);
    EXPECT_TRUE(Contains(warnings, "Image exceeds Logical Screen size"));
    const TGIFSubImage& frame = image.Images()[0];
    EXPECT_EQ(frame.Width(), 5);
    EXPECT_EQ(frame.Height(), 2);
    EXPECT_EQ(frame.Data(), Pattern(5, 2, 2));
}

TEST(GIFLimits, HugeScreensAndFramesAreRefusedBeforeAllocation) {
    Bytes hugeScreen = Header(65535, 65535, Colors(2));
    AddImage(hugeScreen, {0, 0, 2, 2, Pattern(2, 2, 2), {}, false, 2});
    hugeScreen.push_back(0x3B);
    EXPECT_EQ(LoadError(hugeScreen), GIFTooLargeMessage);

    Bytes hugeFrame = Header(8, 8, Colors(2));
    AddImage(hugeFrame, {0, 0, 65535, 4097, Pattern(4, 4, 2), {}, false, 2});
    hugeFrame.push_back(0x3B);
    EXPECT_EQ(LoadError(hugeFrame), GIFTooLargeMessage);

    // 2^28 pixels exactly is allowed; the few pixels the data holds are all that is kept.
    Bytes atLimit = Header(16384, 16384, Colors(2));
    AddImage(atLimit, {0, 0, 16384, 16384, Pattern(40, 1, 2), {}, false, 2});
    atLimit.push_back(0x3B);
    TGIFImage image;
    Load(image, atLimit);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images()[0].DecodedCount(), 40u);
    std::vector<std::uint8_t> row(16384);
    image.Images()[0].ScanLine(0, row.data());
    EXPECT_EQ(std::vector<std::uint8_t>(row.begin(), row.begin() + 40), Pattern(40, 1, 2));
    EXPECT_EQ(row[40], 0);
}

TEST(GIFLimits, MinimumCodeSizeAboveElevenIsRefused) {
    Bytes file = Header(4, 3, Colors(4));
    AddImage(file, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 12});
    EXPECT_EQ(LoadError(file), "Invalid LZW minimum code size");
    Bytes eleven = Header(4, 3, Colors(4));
    AddImage(eleven, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 11});
    TGIFImage image;
    Load(image, eleven);
    EXPECT_EQ(image.Images()[0].Data(), Pattern(4, 3, 4));
}

TEST(GIFLimits, ACorruptLaterFrameFailsTheWholeLoad) {
    Bytes file = Header(4, 3, Colors(4));
    AddImage(file, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    AddImage(file, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 15});
    file.push_back(0x3B);
    EXPECT_EQ(LoadError(file), "Invalid LZW minimum code size");

    Bytes unknownLater = Header(4, 3, Colors(4));
    AddImage(unknownLater, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    Append(unknownLater, {0x21, 0xFA, 0});
    AddImage(unknownLater, {0, 0, 4, 3, Pattern(4, 3, 4), {}, false, 2});
    EXPECT_EQ(LoadError(unknownLater), "Unknown extension type");
}
