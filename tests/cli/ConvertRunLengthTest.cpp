// Run-length coded bitmaps (RLE8, RLE4): the pixels their codes set are Qt's reader's, every
// other one is index 0, so a file converts to the same icon whatever memory held before.
#include "ConvertHarness.h"

#include "process/PictureLoader.h"
#include "utils/TestUtils.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& file) {
    return QString::fromStdString(file.string());
}

// Qt's reader decodes into a picture of the right size and format handed to it: read over
// two fills, the pixels it sets agree and those it leaves differ.
QImage QtOver(const fs::path& file, uchar fill) {
    QImageReader reader(Q(file), "BMP");
    QImage picture(reader.size(), QImage::Format_Indexed8);
    picture.fill(fill);
    const uchar* before = picture.constBits();
    return reader.read(&picture) && picture.constBits() == before ? picture : QImage();
}

// 16 x 4, 256 colours. Bottom row: 3 pixels of 1; a move to (5, 1): 2 pixels of 2 and an
// absolute run 3, 1, 2 (padded); end of line; a full row of 3; the end code, a row early.
std::vector<std::uint8_t> DeltaAndEarlyEnd() {
    std::vector<std::uint8_t> b(54 + 1024);
    const auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B', b[1] = 'M', put(10, 1078), put(14, 40), put(18, 16), put(22, 4);
    b[26] = 1, b[28] = 8, b[30] = 1;
    for (std::uint32_t i = 0; i < 256; ++i)
        put(54 + 4 * i, (i * 0x010307 + 0x203040) & 0xFFFFFF);
    for (int c : {3, 1, 0, 2, 2, 1, 2, 2, 0, 3, 3, 1, 2, 0, 0, 0, 16, 3, 0, 1})
        b.push_back(static_cast<std::uint8_t>(c));
    return b;
}

} // namespace

TEST(ConvertRunLength, UnsetPixelsAreIndexZeroAndTheIconsNeverVary) {
    testutil::TempDir tmp;
    const fs::path in = tmp / "in";
    fs::create_directory(in);
    testutil::writeFile(in / "delta.bmp", DeltaAndEarlyEnd());
    // Memory the picture may be given, full of what a decoder that forgets pixels shows.
    std::vector<void*> dirt(64);
    for (void*& block : dirt)
        block = std::memset(std::malloc(64), 0xEE, 64);
    for (void* block : dirt)
        std::free(block);
    const QImage built = LoadBitmapPicture(Q(in / "delta.bmp"));
    const char* rows[] = {"0000000000000000", "3333333333333333", "0000022312000000",
                          "1110000000000000"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(built.pixelIndex(x, y), rows[y][x] - '0') << x << "," << y;

    std::vector<std::string> names = {"delta.bmp"};
    for (const testutil::Expectation& entry : testutil::readExpectations()) {
        const fs::path file = testutil::testDataDir() / entry.path;
        if (file.extension() != ".bmp") continue;
        const auto b = testutil::readFile(file);
        if (b.size() < 34 || b[0] != 'B' || b[14] < 40 || (b[30] != 1 && b[30] != 2)) continue;
        SCOPED_TRACE(entry.path);
        QImage ours;
        try {
            ours = LoadBitmapPicture(Q(file));
        } catch (const std::exception&) {
            EXPECT_NE(entry.expect, 'V');
            continue;
        }
        const QImage a = QtOver(file, 0x11), b2 = QtOver(file, 0x22);
        ASSERT_FALSE(a.isNull() || b2.isNull()) << "Qt's reader refuses what we decode";
        EXPECT_EQ(ours.format(), a.format());
        EXPECT_EQ(ours.colorTable(), a.colorTable());
        EXPECT_EQ(ours.dotsPerMeterX(), a.dotsPerMeterX());
        EXPECT_EQ(ours.dotsPerMeterY(), a.dotsPerMeterY());
        ASSERT_EQ(ours.size(), a.size());
        int unset = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const bool set = a.pixelIndex(x, y) == b2.pixelIndex(x, y);
                unset += !set;
                ASSERT_EQ(ours.pixelIndex(x, y), set ? a.pixelIndex(x, y) : 0) << x << "," << y;
            }
        std::printf("%s: %d of %d pixels unset\n", entry.path.c_str(), unset,
                    a.width() * a.height());
        names.push_back(std::to_string(names.size()) + ".bmp");
        fs::copy_file(file, in / names.back());
    }
    EXPECT_GE(names.size(), 7u); // pal4rle, pal8rle and the four that skip pixels

    // Each conversion's memory starts out filled otherwise (glibc's allocator fills it so).
    std::vector<std::vector<std::uint8_t>> icons[2];
    for (int run = 0; run < 2; ++run) {
        const fs::path out = tmp / std::to_string(run);
        fs::create_directory(out);
        setenv("MALLOC_PERTURB_", run ? "200" : "17", 1);
        std::vector<std::string> args = {"-q", "-s", "32", "-c", "256", "-o", out.string()};
        args.insert(args.end(), names.begin(), names.end());
        const e2e::RunResult r = e2e::RunConvert(in, args);
        unsetenv("MALLOC_PERTURB_");
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        for (const std::string& name : names)
            icons[run].push_back(
                testutil::readFile(out / fs::path(name).replace_extension(".ico")));
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(icons[0][i] == icons[1][i]) << names[i];
}
