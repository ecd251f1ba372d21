// The JPEG decoder's rows against djpeg's over the layouts a camera or an editor writes:
// every chroma subsampling, restart markers, progressive and RGB-coded files, greyscale,
// widths whose rows need padding, pictures large enough for the big-picture memory, and
// heights that end in the middle of a row group. Files are made here with cjpeg from a
// picture with detail in every channel, so that a wrong channel order, a row read twice or
// a lost chroma row shows.
#include "process/building/Fitting.h"
#include "process/loading/JpegLoader.h"
#include "process/loading/PictureLoader.h"
#include "process/loading/PictureMemory.h"
#include "process/loading/Sampling.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

// width x height samples of `channels` each, rows from the top.
struct Raster {
    int Width = 0;
    int Height = 0;
    int Channels = 0;
    std::vector<std::uint8_t> Samples;
};

// Gradients in different directions per channel with a fine pattern on top.
Raster Detailed(int width, int height, int channels) {
    Raster r{width, height, channels, {}};
    r.Samples.resize(static_cast<std::size_t>(width) * height * channels);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                const int ramp = c == 0   ? x * 255 / width
                                 : c == 1 ? y * 255 / height
                                          : (x + y) * 127 / (width + height);
                const int pattern = ((x * (c + 3)) ^ (y * (7 - c))) & 31;
                r.Samples[at++] = static_cast<std::uint8_t>((ramp * 3 + pattern * 8) / 4 % 256);
            }
    return r;
}

void WritePnm(const fs::path& path, const Raster& r) {
    std::ofstream out(path, std::ios::binary);
    out << (r.Channels == 3 ? "P6\n" : "P5\n") << r.Width << ' ' << r.Height << "\n255\n";
    out.write(reinterpret_cast<const char*>(r.Samples.data()),
              static_cast<std::streamsize>(r.Samples.size()));
}

Raster ReadPnm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    Raster r;
    in >> magic >> r.Width >> r.Height >> maximum;
    in.get();
    r.Channels = magic == "P6" ? 3 : 1;
    r.Samples.resize(static_cast<std::size_t>(r.Width) * r.Height * r.Channels);
    in.read(reinterpret_cast<char*>(r.Samples.data()),
            static_cast<std::streamsize>(r.Samples.size()));
    EXPECT_TRUE(in && maximum == 255) << path;
    return r;
}

void RunTool(const std::string& command) {
    const auto result = testutil::runCommand(command);
    ASSERT_EQ(result.exitCode, 0) << command << "\n" << result.output;
}

class JpegDecode : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::haveProgram("cjpeg") || !testutil::haveProgram("djpeg"))
            GTEST_SKIP() << "cjpeg and djpeg are not installed";
    }

    // Encodes a detailed picture with cjpeg `options`; returns the file.
    fs::path Encode(int width, int height, bool grey, const std::string& options) {
        std::string stem = "p";
        stem += std::to_string(count_++);
        const fs::path source = dir_ / (stem + (grey ? ".pgm" : ".ppm"));
        const fs::path jpeg = dir_ / (stem + ".jpg");
        WritePnm(source, Detailed(width, height, grey ? 1 : 3));
        RunTool("cjpeg -quality 90 " + options + " -outfile " +
                testutil::shellQuote(jpeg.string()) + " " + testutil::shellQuote(source.string()));
        return jpeg;
    }

    // Decodes the file with the loader and with djpeg (greyscale files through its quantizer
    // with 255 colours, as the loader asks) and says where they first differ. With
    // `rowsFor` the loader is asked for just the rows of a stretch to that size: those must
    // match, and every other row must be left 0.
    ::testing::AssertionResult SameAsDjpeg(const fs::path& jpeg, std::int32_t rowsFor = 0) {
        const fs::path pnm = dir_ / (jpeg.stem().string() + ".pnm");
        const QImage picture =
            LoadJpegPicture(QString::fromStdString(jpeg.string()), MaxPicturePixels, rowsFor);
        const bool grey = picture.format() == QImage::Format_Indexed8;
        const auto run = testutil::runCommand(
            std::string("djpeg ") + (grey ? "-colors 255 " : "") + "-pnm -outfile " +
            testutil::shellQuote(pnm.string()) + " " + testutil::shellQuote(jpeg.string()));
        if (run.exitCode != 0) return ::testing::AssertionFailure() << "djpeg: " << run.output;
        const Raster expected = ReadPnm(pnm);
        if (picture.width() != expected.Width || picture.height() != expected.Height)
            return ::testing::AssertionFailure()
                   << "size " << picture.width() << "x" << picture.height();
        if (picture.format() !=
            (expected.Channels == 3 ? QImage::Format_BGR888 : QImage::Format_Indexed8))
            return ::testing::AssertionFailure() << "format " << picture.format();
        if (picture.bytesPerLine() != QImage(picture.width(), 1, picture.format()).bytesPerLine())
            return ::testing::AssertionFailure() << "rows of " << picture.bytesPerLine();
        std::vector<bool> compared(static_cast<std::size_t>(expected.Height), rowsFor == 0);
        if (rowsFor > 0)
            for (int y : StretchRows(expected.Height, rowsFor))
                compared[y] = true;
        std::size_t at = 0;
        for (int y = 0; y < expected.Height; ++y) {
            const uchar* row = picture.constScanLine(y);
            if (!compared[y]) {
                at += static_cast<std::size_t>(expected.Width) * expected.Channels;
                const int pixelBytes = expected.Width * (grey ? 1 : 3);
                if (std::any_of(row, row + pixelBytes, [](uchar b) { return b != 0; }))
                    return ::testing::AssertionFailure() << "row " << y << " was kept";
                continue;
            }
            for (int x = 0; x < expected.Width; ++x) {
                int got[3];
                if (grey) {
                    const QRgb c = picture.color(row[x]);
                    got[0] = got[1] = got[2] = qRed(c);
                } else {
                    got[0] = row[3 * x + 2]; // rows hold blue, green, red
                    got[1] = row[3 * x + 1];
                    got[2] = row[3 * x];
                }
                for (int c = 0; c < 3; ++c) {
                    const int want = expected.Samples[at + (expected.Channels == 3 ? c : 0)];
                    if (got[c] != want)
                        return ::testing::AssertionFailure()
                               << "pixel (" << x << ", " << y << ") channel " << c << ": " << got[c]
                               << " instead of " << want;
                }
                at += static_cast<std::size_t>(expected.Channels);
            }
        }
        return ::testing::AssertionSuccess();
    }

    testutil::TempDir dir_;
    int count_ = 0;
};

} // namespace

TEST_F(JpegDecode, EveryChromaSubsamplingAtOddSizes) {
    // 1501 x 1001 needs padded rows and is big enough for the big-picture memory; the small
    // one ends inside a row group both ways.
    ASSERT_GE(std::int64_t{4504} * 1001, LargePictureBytes);
    for (const char* sampling : {"1x1", "2x1", "1x2", "2x2", "4x1"})
        for (const auto& [width, height] : {std::pair{1501, 1001}, std::pair{33, 17}}) {
            const fs::path jpeg = Encode(width, height, false, std::string("-sample ") + sampling);
            EXPECT_TRUE(SameAsDjpeg(jpeg)) << sampling << " at " << width << "x" << height;
        }
}

TEST_F(JpegDecode, RestartMarkersProgressiveAndRgbCodedFiles) {
    for (const char* options : {"-sample 2x2 -restart 1", "-sample 2x1 -restart 3B",
                                "-sample 2x2 -progressive", "-rgb", "-rgb -progressive"})
        EXPECT_TRUE(SameAsDjpeg(Encode(1021, 767, false, options))) << options;
}

TEST_F(JpegDecode, TinyPicturesAndSingleRowsOrColumns) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{1, 300}, std::pair{300, 1}})
        EXPECT_TRUE(SameAsDjpeg(Encode(width, height, false, "-sample 2x2")))
            << width << "x" << height;
}

TEST_F(JpegDecode, GreyscaleFilesSmallAndLarge) {
    // 2501 x 1801 bytes is above the big-picture size: the grey palette goes with it.
    ASSERT_GE(std::int64_t{2504} * 1801, LargePictureBytes);
    for (const auto& [width, height] : {std::pair{2501, 1801}, std::pair{45, 23}}) {
        const fs::path jpeg = Encode(width, height, true, "-grayscale");
        EXPECT_TRUE(SameAsDjpeg(jpeg)) << width << "x" << height;
    }
    EXPECT_TRUE(SameAsDjpeg(Encode(640, 480, true, "-grayscale -progressive")));
}

TEST_F(JpegDecode, KeepingOnlyTheRowsOfAStretch) {
    // libjpeg hands over fewer lines than asked for at times (context rows, progressive
    // output): a kept row must be neither skipped nor shifted by that.
    // Lines skipped next to kept ones must leave the kept ones as a full decode makes them,
    // whatever the row groups, the subsampling's smoothing over neighbour rows, restarts or
    // progressive scans.
    for (const char* options :
         {"-sample 2x2", "-sample 1x1", "-sample 2x1", "-sample 1x2", "-sample 4x1",
          "-sample 2x2 -progressive", "-sample 2x1 -progressive", "-sample 2x2 -restart 1", "-rgb",
          "-sample 2x2 -arithmetic"})
        for (std::int32_t size : {16, 32, 48})
            EXPECT_TRUE(SameAsDjpeg(Encode(1501, 1001, false, options), size))
                << options << " for " << size;
    EXPECT_TRUE(SameAsDjpeg(Encode(2501, 1801, true, "-grayscale"), 48));
    // Small pictures, a stretch that reads every row, pictures shorter than a row group.
    EXPECT_TRUE(SameAsDjpeg(Encode(45, 23, false, "-sample 2x2"), 16));
    EXPECT_TRUE(SameAsDjpeg(Encode(45, 23, false, "-sample 2x2"), 48));
    EXPECT_TRUE(SameAsDjpeg(Encode(300, 7, false, "-sample 2x2"), 16));
    EXPECT_TRUE(SameAsDjpeg(Encode(64, 1000, true, "-grayscale"), 16));
}

namespace {

// Loads the file whole and keeping only the rows of a stretch to `size`: both refuse it or
// both load it, with the kept rows alike and every other row 0.
::testing::AssertionResult KeptRowsMatchWhole(const fs::path& path, std::int32_t size) {
    const QString name = QString::fromStdString(path.string());
    QImage whole;
    QImage part;
    bool wholeLoads = true;
    bool partLoads = true;
    try {
        whole = LoadJpegPicture(name, MaxPicturePixels);
    } catch (const std::exception&) {
        wholeLoads = false;
    }
    try {
        part = LoadJpegPicture(name, MaxPicturePixels, size);
    } catch (const std::exception&) {
        partLoads = false;
    }
    if (partLoads != wholeLoads || !wholeLoads) {
        if (partLoads == wholeLoads) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "loads only " << (wholeLoads ? "whole" : "in part");
    }
    if (part.size() != whole.size() || part.format() != whole.format() ||
        part.colorTable() != whole.colorTable())
        return ::testing::AssertionFailure() << "another size, format or palette";
    std::vector<bool> kept(static_cast<std::size_t>(whole.height()));
    for (int y : StretchRows(whole.height(), size))
        kept[y] = true;
    const auto lineBytes = static_cast<std::size_t>(whole.width()) * whole.depth() / 8;
    for (int y = 0; y < whole.height(); ++y) {
        const uchar* got = part.constScanLine(y);
        if (kept[y] ? !std::equal(got, got + lineBytes, whole.constScanLine(y))
                    : std::any_of(got, got + lineBytes, [](uchar b) { return b != 0; }))
            return ::testing::AssertionFailure() << "row " << y << (kept[y] ? " differs" : " kept");
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// Every JPEG of the shared test data, damaged ones included.
TEST(JpegRows, KeptRowsMatchTheFullDecodeOnEveryTestFile) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(testutil::testDataDir())) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".jpg" && extension != ".jpeg")) continue;
        ++files;
        for (std::int32_t size : {16, 32, 48})
            ASSERT_TRUE(KeptRowsMatchWhole(entry.path(), size)) << entry.path() << " for " << size;
    }
    EXPECT_GT(files, 40);
}

// A file that ends before the data its rows need does not load, whatever rows are kept;
// one that lacks only its end-of-image marker, or has stray bytes before it, does.
TEST(JpegRows, AFileThatEndsBeforeItsRowsDoesNotLoad) {
    testutil::TempDir dir;
    const auto whole = testutil::readFile(testutil::testDataDir() / "jpeg/pillow/flower.jpg");
    const auto variant = [&](std::size_t keep, std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + keep);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        testutil::writeFile(dir / "v.jpg", bytes);
        return QString::fromStdString((dir / "v.jpg").string());
    };
    for (std::int32_t rows : {0, 32}) {
        try {
            LoadJpegPicture(variant(whole.size() * 4 / 10, {}), MaxPicturePixels, rows);
            ADD_FAILURE() << "a file cut at 40 % loaded, rows " << rows;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "The file ends early");
        }
        EXPECT_FALSE(
            LoadJpegPicture(variant(whole.size() - 2, {}), MaxPicturePixels, rows).isNull());
        EXPECT_FALSE(
            LoadJpegPicture(variant(whole.size() - 2, {0, 0, 0xFF, 0xD9}), MaxPicturePixels, rows)
                .isNull());
    }
}

// Pictures a few pixels wide or tall in layouts whose line skipping libjpeg does not keep
// exact (a 1 x 300 4:2:0 file once lost 6 of its 32 rows), and the layouts of ordinary
// photos around the size from which lines are skipped. Files are written here with
// libjpeg; bench/jpeg_skip_survey.cpp runs the exhaustive version of this.
TEST(JpegRows, NarrowPicturesAndEverySubsamplingKeepTheRowsOfAFullDecode) {
    testutil::TempDir dir;
    const fs::path path = dir.path() / "p.jpg";
    // The first component's factors (h, v), the others', and the number of components.
    const int layouts[][5] = {{2, 2, 1, 1, 3}, {2, 1, 1, 1, 3}, {1, 2, 1, 1, 3}, {4, 1, 1, 1, 3},
                              {1, 4, 1, 1, 3}, {4, 2, 1, 1, 3}, {2, 2, 1, 2, 3}, {2, 2, 1, 1, 4}};
    for (const auto& layout : layouts)
        for (int width : {1, 3, 5, 15, 16, 33})
            for (int height : {16, 35, 100, 300})
                for (bool progressive : {false, true}) {
                    jpeg_compress_struct cinfo{};
                    jpeg_error_mgr errors{};
                    cinfo.err = jpeg_std_error(&errors);
                    jpeg_create_compress(&cinfo);
                    unsigned char* buffer = nullptr;
                    unsigned long size = 0;
                    jpeg_mem_dest(&cinfo, &buffer, &size);
                    const bool cmyk = layout[4] == 4;
                    cinfo.image_width = static_cast<JDIMENSION>(width);
                    cinfo.image_height = static_cast<JDIMENSION>(height);
                    cinfo.input_components = cmyk ? 4 : 3;
                    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
                    jpeg_set_defaults(&cinfo);
                    for (int c = 0; c < cinfo.num_components; ++c) {
                        cinfo.comp_info[c].h_samp_factor = layout[c == 0 ? 0 : 2];
                        cinfo.comp_info[c].v_samp_factor = layout[c == 0 ? 1 : 3];
                    }
                    if (progressive) jpeg_simple_progression(&cinfo);
                    jpeg_start_compress(&cinfo, TRUE);
                    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
                    for (JSAMPROW line = row.data(); cinfo.next_scanline < cinfo.image_height;) {
                        for (std::size_t i = 0; i < row.size(); ++i)
                            row[i] = static_cast<JSAMPLE>((i * 7 ^ cinfo.next_scanline * 29) * 13);
                        jpeg_write_scanlines(&cinfo, &line, 1);
                    }
                    jpeg_finish_compress(&cinfo);
                    jpeg_destroy_compress(&cinfo);
                    std::ofstream(path, std::ios::binary)
                        .write(reinterpret_cast<const char*>(buffer), static_cast<long>(size));
                    std::free(buffer);
                    for (std::int32_t rowsFor : {16, 32, 48})
                        ASSERT_TRUE(KeptRowsMatchWhole(path, rowsFor))
                            << "factors " << layout[0] << "x" << layout[1] << ", " << layout[2]
                            << "x" << layout[3] << " at " << width << " x " << height
                            << (progressive ? " progressive" : "") << " for " << rowsFor;
                }
    // Ordinary photos still skip their lines.
    for (const auto& [h, v] : {std::pair{1, 1}, {2, 1}, {1, 2}, {2, 2}, {4, 1}})
        EXPECT_TRUE(LineSkippingIsExact({4000, 3000, 3, {h, 1, 1}, {v, 1, 1}})) << h << "x" << v;
}
