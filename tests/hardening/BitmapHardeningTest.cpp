// Bitmap files whose header would have Qt's reader build a large picture from next to no
// data: the size limit holds for top-down bitmaps too, and a header longer than the file
// is refused before anything is decoded.
#include "HardeningSupport.h"

#include "process/loading/BitmapCheck.h"
#include "process/loading/PictureLoader.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using hardening::Bytes;
using testutil::Put32;

namespace {

// A complete 1-bit bitmap of width x |height| (negative: rows stored top-down).
Bytes MonochromeBitmap(int width, int height) {
    const std::size_t stride = static_cast<std::size_t>((width + 31) / 32 * 4);
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    Bytes b(62 + stride * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, 62);
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 1;
    Put32(b, 34, static_cast<std::uint32_t>(stride * rows));
    Put32(b, 58, 0x00FFFFFF); // palette: black, white
    for (std::size_t i = 62; i < b.size(); i += 7)
        b[i] = 0x5A;
    return b;
}

std::string Refusal(const fs::path& file, std::int64_t limit) {
    try {
        LoadBitmapPicture(Q(file), limit);
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(BitmapHardening, TheSizeLimitHoldsWhicheverWayTheRowsAreStored) {
    testutil::TempDir dir;
    // 1100 x 1000 pixels: above a limit of 2^20, below one of 2^21.
    for (int height : {1000, -1000}) {
        SCOPED_TRACE(height);
        const fs::path file = dir / "big.bmp";
        testutil::writeFile(file, MonochromeBitmap(1100, height));
        EXPECT_EQ(Refusal(file, std::int64_t{1} << 20), "The bitmap is too large");
        const QImage picture = LoadBitmapPicture(Q(file), std::int64_t{1} << 21);
        EXPECT_EQ(picture.size(), QSize(1100, 1000));
    }
}

// Found by fuzzing: 50 bytes whose info header claims to be 543 million bytes long; Qt's
// reader made a 2560 x 7452 picture of them.
TEST(BitmapHardening, AnInfoHeaderLongerThanTheFileIsRefusedUndecoded) {
    const Bytes bytes{0x42, 0x4d, 0x4e, 0x01, 0x00, 0x6b, 0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00,
                      0x00, 0xff, 0xff, 0x60, 0x20, 0x00, 0x0a, 0xe4, 0xe2, 0x01, 0x00, 0x18, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0xb6, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0xff,
                      0xff, 0x60, 0x20, 0x00, 0x0a, 0xe4, 0x6f, 0x63, 0x09, 0x94, 0x00};
    testutil::TempDir dir;
    const fs::path file = dir / "fuzzed.bmp";
    testutil::writeFile(file, bytes);
    EXPECT_EQ(Refusal(file, MaxPicturePixels), "Damaged bitmap file: info header cut short");
    const LoadResult load = LoadWithLoader(file);
    EXPECT_FALSE(load.Ok);
    EXPECT_EQ(load.Message, QStringLiteral("Picture error: Cannot load picture ") + Q(file));
}

// Found by fuzzing: 55 bytes claiming 2,080,374,797 x 2,147,418,113 pixels stored top-down,
// a size Qt's reader does not report; the checks before it worked the file's length out
// past what 64 bits hold. Sides no picture of the program's can have are refused first.
TEST(BitmapHardening, SidesFarBeyondAnyPictureAreRefusedBeforeAnySizeIsWorkedOut) {
    const Bytes bytes{0x42, 0x4d, 0x4e, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36,
                      0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x0d, 0x00, 0x00, 0x7c,
                      0xff, 0xff, 0x00, 0x80, 0x01, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x18, 0x01, 0x00, 0x00, 0xc4, 0xdb, 0x82, 0x12, 0x00, 0x20,
                      0x61, 0x00, 0x00, 0x00, 0x42, 0x4d, 0x7a, 0x00, 0x00, 0x00, 0x00};
    testutil::TempDir dir;
    const fs::path file = dir / "fuzzed.bmp";
    testutil::writeFile(file, bytes);
    EXPECT_EQ(Refusal(file, MaxPicturePixels), "Damaged bitmap file: picture sides out of range");
    // The check itself at its edge: a side of 2^28 pixels is still worked out (and found
    // without its rows), one more is refused.
    auto checkRefusal = [&](const Bytes& b) -> std::string {
        testutil::writeFile(file, b);
        try {
            CheckBitmapFile(Q(file));
        } catch (const EInvalidGraphic& e) {
            return e.what();
        }
        return {};
    };
    Bytes wide = MonochromeBitmap(8, 1);
    Put32(wide, 18, static_cast<std::uint32_t>(MaxPicturePixels));
    EXPECT_EQ(checkRefusal(wide), "Damaged bitmap file: pixel data cut short");
    Put32(wide, 18, static_cast<std::uint32_t>(MaxPicturePixels + 1));
    EXPECT_EQ(checkRefusal(wide), "Damaged bitmap file: picture sides out of range");
    Put32(wide, 18, 8);
    Put32(wide, 22, static_cast<std::uint32_t>(-(MaxPicturePixels + 1)));
    EXPECT_EQ(checkRefusal(wide), "Damaged bitmap file: picture sides out of range");
}
