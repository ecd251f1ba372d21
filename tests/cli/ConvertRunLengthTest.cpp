// Run-length coded bitmaps (RLE8, RLE4): the pixels their codes set are Qt's reader's, every
// other one is index 0, so a file converts to the same icon whatever memory held before.
#include "ConvertHarness.h"

#include "process/loading/PictureLoader.h"
#include "utils/TestUtils.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace fs = std::filesystem;

// Qt's reader decodes into a picture of the right size and format handed to it: read over
// two fills, the pixels it sets agree and those it leaves differ.
static QImage QtOver(const fs::path& file, uchar fill) {
    QImageReader reader(QString::fromStdString(file.string()), "BMP");
    QImage picture(reader.size(), QImage::Format_Indexed8);
    picture.fill(fill);
    const uchar* at = picture.constBits();
    return reader.read(&picture) && picture.constBits() == at ? picture : QImage();
}

// 16 x 4, 256 colours. Bottom row: 3 pixels of 1; a move to (5, 1): 2 pixels of 2 and an
// absolute run 3, 1, 2 (padded); end of line; a full row of 3; the end code, a row early.
static std::vector<std::uint8_t> DeltaAndEarlyEnd() {
    std::vector<std::uint8_t> b(54 + 1024);
    const auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B', b[1] = 'M', put(10, 1078), put(14, 40), put(18, 16), put(22, 4);
    b[26] = 1, b[28] = 8, b[30] = 1;
    for (std::uint32_t i = 0; i < 256; ++i)
        put(54 + 4 * i, (i * 0x010307 + 0x203040) & 0xFFFFFF);
    b.insert(b.end(), {3, 1, 0, 2, 2, 1, 2, 2, 0, 3, 3, 1, 2, 0, 0, 0, 16, 3, 0, 1});
    return b;
}

TEST(ConvertRunLength, UnsetPixelsAreIndexZeroAndTheIconsNeverVary) {
    testutil::TempDir tmp;
    const fs::path in = tmp / "in";
    fs::create_directory(in);
    testutil::writeFile(in / "0.bmp", DeltaAndEarlyEnd());
    std::vector<fs::path> files = {in / "0.bmp"};
    for (const testutil::Expectation& entry : testutil::readExpectations()) {
        const fs::path file = testutil::testDataDir() / entry.path;
        if (file.extension() != ".bmp") continue;
        const auto b = testutil::readFile(file);
        if (b.size() >= 34 && b[0] == 'B' && b[14] >= 40 && (b[30] == 1 || b[30] == 2))
            files.push_back(file);
    }

    std::vector<std::string> names;
    mallopt(M_PERTURB, 0x11); // new memory holds 0xEE: what a decoder that forgets pixels shows
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        QImage ours;
        try {
            ours = LoadBitmapPicture(QString::fromStdString(file.string()));
        } catch (const std::exception&) {
            continue; // LoaderConformanceTest holds which files must load
        }
        const QImage a = QtOver(file, 0x11), b = QtOver(file, 0x22);
        ASSERT_FALSE(a.isNull() || b.isNull()) << "Qt's reader refuses what we decode";
        QImage expected = a; // its unset pixels at 0
        int unset = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixelIndex(x, y) != b.pixelIndex(x, y)) expected.setPixel(x, y, 0), ++unset;
        EXPECT_TRUE(ours == expected); // format, size, colour table and pixels
        EXPECT_EQ(std::pair(ours.dotsPerMeterX(), ours.dotsPerMeterY()),
                  std::pair(a.dotsPerMeterX(), a.dotsPerMeterY()));
        EXPECT_TRUE(file != files[0] || unset == 16 + 11 + 13) << unset;
        names.push_back(std::to_string(names.size()) + ".bmp");
        if (!fs::exists(in / names.back())) fs::copy_file(file, in / names.back());
    }
    mallopt(M_PERTURB, 0);
    EXPECT_GE(names.size(), 7u); // pal4rle, pal8rle and the four that skip pixels

    // Each conversion's new memory is filled otherwise.
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
    EXPECT_TRUE(icons[0] == icons[1]);
}
