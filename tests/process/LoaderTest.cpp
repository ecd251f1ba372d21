#include "LoaderTestSupport.h"

#include "image/IconLib.h"
#include "process/building/CropState.h"
#include "process/loading/JpegLoader.h"
#include "process/loading/PictureColor.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <string>

namespace fs = std::filesystem;
using testutil::testDataDir;

namespace {

QString qs(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// A PGM or PPM picture as written by djpeg: width, height and the raw samples.
struct Pnm {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> samples;
};

Pnm readPnm(const std::string& bytes) {
    Pnm pnm;
    std::size_t pos = 0;
    auto token = [&]() {
        while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        std::size_t start = pos;
        while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        return bytes.substr(start, pos - start);
    };
    const std::string magic = token();
    pnm.channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    pnm.width = std::stoi(token());
    pnm.height = std::stoi(token());
    if (std::stoi(token()) != 255) pnm.channels = 0;
    ++pos; // the single blank after the maximum
    pnm.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
    return pnm;
}

Pnm decodeWithDjpeg(const fs::path& file, const std::string& options) {
    testutil::TempDir dir;
    const fs::path out = dir / "out.pnm";
    const auto run = testutil::runCommand("djpeg " + options + " -pnm -outfile " +
                                          testutil::shellQuote(out.string()) + " " +
                                          testutil::shellQuote(file.string()));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto bytes = testutil::readFile(out);
    return readPnm(std::string(bytes.begin(), bytes.end()));
}

// Counts the pixels whose colour differs from djpeg's rendering of the same file.
int differingPixels(const QImage& picture, const Pnm& reference) {
    EXPECT_EQ(picture.width(), reference.width);
    EXPECT_EQ(picture.height(), reference.height);
    EXPECT_EQ(reference.samples.size(),
              static_cast<std::size_t>(reference.width) * reference.height * reference.channels);
    int differing = 0;
    for (int y = 0; y < reference.height; ++y)
        for (int x = 0; x < reference.width; ++x) {
            const std::uint32_t color = PictureColor(picture, x, y);
            const std::size_t at =
                (static_cast<std::size_t>(y) * reference.width + x) * reference.channels;
            const std::uint8_t r = reference.samples[at];
            const std::uint8_t g = reference.channels == 3 ? reference.samples[at + 1] : r;
            const std::uint8_t b = reference.channels == 3 ? reference.samples[at + 2] : r;
            if (color != static_cast<std::uint32_t>(r | g << 8 | b << 16)) ++differing;
        }
    return differing;
}

bool haveDjpeg() {
    return testutil::haveProgram("djpeg");
}

fs::path jpegFile(const char* name) {
    return testDataDir() / "jpeg" / "pillow" / name;
}

} // namespace

// --- JPEG decoding, checked against djpeg --------------------------------------------

TEST(LoaderJpegTest, ColourFileMatchesDjpegPixelForPixel) {
    if (!haveDjpeg()) GTEST_SKIP() << "djpeg not installed";
    for (const char* name : {"hopper.jpg", "flower.jpg", "iptc.jpg"}) {
        const QImage picture = LoadJpegPicture(qs(jpegFile(name)), MaxPicturePixels);
        EXPECT_EQ(picture.format(), QImage::Format_BGR888) << name;
        EXPECT_EQ(differingPixels(picture, decodeWithDjpeg(jpegFile(name), "")), 0) << name;
    }
}

TEST(LoaderJpegTest, ProgressiveFileMatchesDjpeg) {
    if (!haveDjpeg()) GTEST_SKIP() << "djpeg not installed";
    const fs::path file = testDataDir() / "jpeg" / "image-rs" / "progressive-cat.jpg";
    const QImage picture = LoadJpegPicture(qs(file), MaxPicturePixels);
    EXPECT_EQ(differingPixels(picture, decodeWithDjpeg(file, "")), 0);
}

TEST(LoaderJpegTest, GreyscaleFileIsQuantizedTo255GreyLevelsLikeDjpeg) {
    if (!haveDjpeg()) GTEST_SKIP() << "djpeg not installed";
    const QImage picture = LoadJpegPicture(qs(jpegFile("hopper_gray.jpg")), MaxPicturePixels);
    ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_GT(picture.colorCount(), 1);
    EXPECT_LE(picture.colorCount(), 255);
    for (QRgb entry : picture.colorTable()) {
        EXPECT_EQ(qRed(entry), qGreen(entry));
        EXPECT_EQ(qGreen(entry), qBlue(entry));
    }
    EXPECT_EQ(differingPixels(picture, decodeWithDjpeg(jpegFile("hopper_gray.jpg"), "-colors 255")),
              0);
}

TEST(LoaderJpegTest, CmykFileBecomesRgbLikeDjpegAndLooksLikeItsRgbTwin) {
    if (!haveDjpeg()) GTEST_SKIP() << "djpeg not installed";
    const QImage cmyk = LoadJpegPicture(qs(jpegFile("pil_sample_cmyk.jpg")), MaxPicturePixels);
    ASSERT_EQ(cmyk.format(), QImage::Format_BGR888);
    EXPECT_EQ(differingPixels(cmyk, decodeWithDjpeg(jpegFile("pil_sample_cmyk.jpg"), "")), 0);

    // The same picture stored as RGB: the colours agree up to compression noise, which
    // they would not if the Adobe inversion were applied the wrong way round.
    const QImage rgb = LoadJpegPicture(qs(jpegFile("pil_sample_rgb.jpg")), MaxPicturePixels);
    ASSERT_EQ(rgb.size(), cmyk.size());
    long long error = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const std::uint32_t a = PictureColor(rgb, x, y);
            const std::uint32_t b = PictureColor(cmyk, x, y);
            for (int shift : {0, 8, 16})
                error += std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                  static_cast<int>((b >> shift) & 0xFF));
        }
    EXPECT_LT(error / (3.0 * rgb.width() * rgb.height()), 12.0);
}

TEST(LoaderJpegTest, ScaledDecodingKeepsBothSidesAtLeastTheLargestSize) {
    // libjpeg's M/8 scales: the smallest M that keeps 128 pixels at or above the size.
    const QString hopper = qs(jpegFile("hopper.jpg"));
    for (const auto& [size, side] : {std::pair{16, 16}, {17, 32}, {48, 48}, {100, 112}, {256, 128}})
        EXPECT_EQ(LoadJpegPicture(hopper, MaxPicturePixels, 0, size).size(), QSize(side, side))
            << size;
    // Greys are decoded as they are, without the quantizer's palette.
    const QImage grey = LoadJpegPicture(qs(jpegFile("hopper_gray.jpg")), MaxPicturePixels, 0, 32);
    EXPECT_EQ(grey.colorCount(), 256);
    EXPECT_EQ(grey.color(200), qRgb(200, 200, 200));
}

TEST(LoaderJpegTest, PictureAboveTheLimitIsRefusedFromItsHeader) {
    const QString hopper = qs(jpegFile("hopper.jpg")); // 128 x 128
    EXPECT_EQ(LoadJpegPicture(hopper, 128 * 128).size(), QSize(128, 128));
    EXPECT_THROW(LoadJpegPicture(hopper, 128 * 128 - 1), EInvalidGraphic);
    // Frame headers claiming 65500 x 65500 in a few bytes.
    const fs::path bomb =
        testDataDir() / "bad" / "jpeg" / "generated" / "sof-claims-65500x65500.jpg";
    EXPECT_THROW(LoadJpegPicture(qs(bomb), MaxPicturePixels), EInvalidGraphic);
}

TEST(LoaderJpegTest, BrokenFilesRaiseInsteadOfEndingTheProgram) {
    testutil::TempDir dir;
    const fs::path empty = dir / "empty.jpg";
    testutil::writeFile(empty, {});
    EXPECT_THROW(LoadJpegPicture(qs(empty), MaxPicturePixels), EInvalidGraphic);
    const fs::path text = dir / "text.jpg";
    testutil::writeFile(text, {'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'});
    EXPECT_THROW(LoadJpegPicture(qs(text), MaxPicturePixels), EInvalidGraphic);
    EXPECT_THROW(LoadJpegPicture(qs(dir / "missing.jpg"), MaxPicturePixels), EInvalidGraphic);
}

// --- LoadPicture: sources, kinds and the one failure path -----------------------------

TEST(LoaderPictureTest, EveryDecoderGivesItsKindAndOneImage) {
    struct Case {
        fs::path file;
        TSourceKind kind;
        QImage::Format format;
        QSize size;
    };
    const fs::path bmp = testDataDir() / "bmp" / "bmpsuite" / "g";
    const Case cases[] = {
        {bmp / "pal1.bmp", TSourceKind::Bmp, QImage::Format_Mono, {127, 64}},
        {bmp / "pal4.bmp", TSourceKind::Bmp, QImage::Format_Indexed8, {127, 64}},
        {bmp / "pal8.bmp", TSourceKind::Bmp, QImage::Format_Indexed8, {127, 64}},
        {jpegFile("hopper.jpg"), TSourceKind::Jpg, QImage::Format_BGR888, {128, 128}},
        {jpegFile("hopper_gray.jpg"), TSourceKind::Jpg, QImage::Format_Indexed8, {128, 128}},
    };
    for (const Case& c : cases) {
        TJobState job;
        FakeWizardView view;
        EXPECT_TRUE(loadFile(job, view, c.file)) << c.file;
        EXPECT_EQ(job.SourceKind, c.kind) << c.file;
        EXPECT_EQ(job.SubCount, 1) << c.file;
        EXPECT_EQ(job.InputImage.format(), c.format) << c.file;
        EXPECT_EQ(job.InputImage.size(), c.size) << c.file;
        EXPECT_TRUE(view.messages.isEmpty()) << c.file;
    }
}

// PNG files of every colour type, with and without transparency, 16-bit and interlaced:
// the pixels Pillow reads (within 1 for 16-bit samples), held with alpha exactly when a
// pixel is not opaque.
TEST(LoaderPictureTest, PngOfEveryKindLoadsWithItsTransparency) {
    testutil::TempDir dir;
    static const char* script =
        "import sys\n"
        "from PIL import Image\n"
        "d=sys.argv[1]\n"
        "b=Image.new('RGBA',(7,5))\n"
        "b.putdata([((x*40)%256,(y*60)%256,(x*y*13)%256,(0,100,200)[x] if x<3 else 255)"
        " for y in range(5) for x in range(7)])\n"
        "kinds={'rgba':b,'rgb':b.convert('RGB'),'la':b.convert('LA'),'l':b.convert('L'),"
        "'mono':b.convert('1'),'pal':b.quantize(12),'opaque':b.convert('RGB').convert('RGBA'),"
        "'grey16':b.convert('L').point(lambda v:v*200,'I')}\n"
        "for k,im in kinds.items(): im.save(f'{d}/{k}.png')\n";
    testutil::runCommand("/usr/bin/python3 -c " + testutil::shellQuote(script) + " " +
                         testutil::shellQuote(dir.path().string()));
    testutil::runCommand("cd " + testutil::shellQuote(dir.path().string()) +
                         " && convert rgba.png -depth 16 -interlace PNG rgba16i.png" +
                         " && convert pal.png -interlace PNG pali.png");
    const std::pair<const char*, bool> kinds[] = {
        {"rgba", true}, {"rgb", false},    {"la", true},      {"l", false},      {"mono", false},
        {"pal", true},  {"opaque", false}, {"grey16", false}, {"rgba16i", true}, {"pali", true}};
    for (const auto& [kind, alpha] : kinds) {
        SCOPED_TRACE(kind);
        const fs::path file = dir / (std::string(kind) + ".png");
        TJobState job;
        FakeWizardView view;
        ASSERT_TRUE(loadFile(job, view, file));
        EXPECT_EQ(job.SourceKind, TSourceKind::Png);
        EXPECT_EQ(job.InputImage.format() == QImage::Format_ARGB32, alpha);
        const auto pillow = testutil::runCommand(
            "/usr/bin/python3 -c \"import sys;from PIL import Image;im=Image.open(sys.argv[1]);"
            "p=[(round(v/257),)*3+(255,) for v in im.getdata()] if im.mode[0]=='I' else "
            "im.convert('RGBA').getdata();sys.stdout.write(bytes(sum(p,())).hex())\" " +
            testutil::shellQuote(file.string()));
        ASSERT_EQ(pillow.output.size(), 7u * 5 * 8) << pillow.output;
        int wrong = 0; // samples r, g, b, a; colours count where a pixel shows
        for (int i = 0; i < 140; ++i) {
            const int have =
                job.InputImage.pixel(i / 4 % 7, i / 28) >> (i % 4 == 3 ? 24 : 16 - 8 * (i % 4)) &
                0xFF;
            const auto sample = [&](int at) {
                return std::stoi(pillow.output.substr(2 * at, 2), nullptr, 16);
            };
            wrong += std::abs(have - sample(i)) > 1 && (i % 4 == 3 || sample(i | 3) != 0);
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(LoaderPictureTest, ExtensionCaseDoesNotMatterButContentIsNotSniffed) {
    testutil::TempDir dir;
    const auto jpeg = testutil::readFile(jpegFile("hopper.jpg"));
    testutil::writeFile(dir / "UPPER.JPEG", jpeg);
    testutil::writeFile(dir / "photo.bmp", jpeg);
    testutil::writeFile(dir / "photo.png", jpeg);

    TJobState job;
    FakeWizardView view;
    EXPECT_TRUE(loadFile(job, view, dir / "UPPER.JPEG"));
    EXPECT_EQ(job.SourceKind, TSourceKind::Jpg);

    for (const char* name : {"photo.bmp", "photo.png"}) {
        FakeWizardView failing;
        EXPECT_FALSE(loadFile(job, failing, dir / name)) << name;
        EXPECT_EQ(
            FirstLines(failing.messages),
            QStringList{QStringLiteral("Picture error: Cannot load picture ") + qs(dir / name)});
        EXPECT_EQ(job.SourceKind, TSourceKind::None);
        EXPECT_EQ(job.SubCount, 0);
    }
}

TEST(LoaderPictureTest, FailureKeepsTheFormerPictureAndReportsTheFullPath) {
    testutil::TempDir dir;
    TJobState job;
    FakeWizardView view;
    ASSERT_TRUE(loadFile(job, view, jpegFile("hopper.jpg")));
    const QImage before = job.InputImage;
    EXPECT_FALSE(loadFile(job, view, dir / "gone.gif"));
    EXPECT_EQ(view.messages.size(), 1);
    // The name, then the reason on a line of its own.
    EXPECT_EQ(view.messages.value(0), "Picture error: Cannot load picture " + qs(dir / "gone.gif") +
                                          "\ncannot open it: No such file or directory");
    EXPECT_EQ(job.InputImage, before);
    EXPECT_EQ(job.SubCount, 0);
}

TEST(LoaderPictureTest, OutputPathIsClearedForSingleFileFormatsOnly) {
    for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Bmp, TOutFormat::Mico}) {
        for (bool loads : {true, false}) {
            TJobState job;
            FakeWizardView view;
            job.OutFormat = format;
            job.OutPath = QStringLiteral("/out/all.ico");
            loadFile(job, view, loads ? jpegFile("hopper.jpg") : fs::path("/no/such/file.jpg"));
            const bool kept = job.OutFormat == TOutFormat::Mico;
            EXPECT_EQ(job.OutPath, kept ? QStringLiteral("/out/all.ico") : QString())
                << OutFormatText(format).toStdString();
        }
    }
}

TEST(LoaderPictureTest, ClipboardPictureOrItsAbsence) {
    TJobState job;
    FakeWizardView view;
    view.clipboardChosen = true;
    job.SubCount = 5;
    EXPECT_FALSE(LoadPicture(job, view, view, view));
    EXPECT_EQ(FirstLines(view.messages),
              QStringList{QStringLiteral("Picture error: Cannot load picture in clipboard")});
    EXPECT_EQ(job.SourceKind, TSourceKind::None);
    EXPECT_EQ(job.SubCount, 0);

    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    view.clipboardImage = picture;
    EXPECT_TRUE(LoadPicture(job, view, view, view));
    EXPECT_EQ(job.SourceKind, TSourceKind::Clip);
    EXPECT_EQ(job.SubCount, 1);
    EXPECT_EQ(job.InputImage, picture);
}

TEST(LoaderPictureTest, BitmapAboveTheLimitIsRefusedBeforeDecoding) {
    const fs::path pal8 = testDataDir() / "bmp" / "bmpsuite" / "g" / "pal8.bmp";
    EXPECT_EQ(LoadBitmapPicture(qs(pal8), 127 * 64).size(), QSize(127, 64));
    EXPECT_THROW(LoadBitmapPicture(qs(pal8), 127 * 64 - 1), EInvalidGraphic);

    TJobState job;
    FakeWizardView view;
    const fs::path big =
        testDataDir() / "bad" / "bmp" / "generated" / "claims-30000x30000-24bit.bmp";
    EXPECT_FALSE(loadFile(job, view, big));
    EXPECT_EQ(view.messages.size(), 1);
}

// --- Icon files: one image per load, and the image count --------------------------

namespace {

// A colour map of `size` x `size` at `bits` whose pixels and palette make each image
// recognisable, and a mask with the left column transparent.
void makeImage(TPxlMap& color, TPxlMap& mask, int size, int bits, int seed) {
    color.Clear();
    color.NewImage(size, size, bits);
    for (int i = 0; i < (1 << bits); ++i)
        color.SetPaletteColor(static_cast<std::uint8_t>(i),
                              static_cast<std::uint32_t>((i * 37 + seed * 71) & 0xFFFFFF));
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            color.SetPixel(x, y, static_cast<std::uint8_t>((x + y + seed) % (1 << bits)));
    mask.Clear();
    mask.NewImage(size, size, 1);
    mask.SetPaletteColor(0, 0);
    mask.SetPaletteColor(1, 0xFFFFFF);
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            mask.SetPixel(x, y, x == 0 ? 1 : 0);
}

void appendImage(const fs::path& file, int size, int bits, int seed) {
    TPxlMap color, mask;
    makeImage(color, mask, size, bits, seed);
    WriteIconImage(qs(file), -1, color, mask);
}

// Offset of image `index`'s info header in an icon file.
std::uint32_t imageOffset(const std::vector<std::uint8_t>& bytes, int index) {
    std::uint32_t offset;
    std::memcpy(&offset, bytes.data() + 6 + 16 * index + 12, 4);
    return offset;
}

} // namespace

TEST(LoaderIconTest, EachImageOfAThreeImageFileLoadsAtItsOwnSizeAndDepth) {
    testutil::TempDir dir;
    const fs::path file = dir / "three.ico";
    appendImage(file, 16, 4, 1);
    appendImage(file, 32, 8, 2);
    appendImage(file, 48, 1, 3);

    const int sizes[] = {16, 32, 48};
    const int depths[] = {4, 8, 1};
    TJobState job;
    FakeWizardView view;
    for (int index = 0; index < 3; ++index) {
        ASSERT_TRUE(loadFile(job, view, file, index)) << index;
        EXPECT_EQ(job.SourceKind, TSourceKind::Ico);
        EXPECT_EQ(job.SubCount, 3);
        EXPECT_EQ(job.InputImage.size(), QSize(sizes[index], sizes[index]));
        EXPECT_EQ(job.InputImage.format(),
                  depths[index] == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        EXPECT_EQ(job.IconMap.GetBitCount(), depths[index]);

        TPxlMap color, mask;
        makeImage(color, mask, sizes[index], depths[index], index + 1);
        for (int y = 0; y < sizes[index]; ++y)
            for (int x = 0; x < sizes[index]; ++x) {
                ASSERT_EQ(PictureColor(job.InputImage, x, y),
                          color.GetPaletteColor(color.GetPixel(x, y)));
                ASSERT_EQ(job.SourceMaskMap.GetPixel(x, y), x == 0 ? 1 : 0);
            }
    }
    EXPECT_TRUE(view.messages.isEmpty());
}

TEST(LoaderIconTest, CountTakenAtTheFirstImageSurvivesAppendingToTheSameFile) {
    testutil::TempDir dir;
    const fs::path file = dir / "a.ico";
    appendImage(file, 32, 8, 1);
    appendImage(file, 16, 4, 2);

    TJobState job;
    FakeWizardView view;
    ASSERT_TRUE(loadFile(job, view, file, 0));
    EXPECT_EQ(job.SubCount, 2);
    // A multi-resource output appends the converted picture to this very file.
    appendImage(file, 32, 8, 3);
    ASSERT_TRUE(loadFile(job, view, file, 1));
    EXPECT_EQ(job.SubCount, 2);
    // A new visit of the file starts from its first image and counts again.
    ASSERT_TRUE(loadFile(job, view, file, 0));
    EXPECT_EQ(job.SubCount, 3);
}

TEST(LoaderIconTest, UnloadableImageKeepsTheCountSoLaterImagesAreStillTried) {
    testutil::TempDir dir;
    const fs::path file = dir / "mixed.ico";
    appendImage(file, 16, 8, 1);
    appendImage(file, 16, 8, 2);
    appendImage(file, 16, 8, 3);
    // Turn the middle image into a 16-bit one, which is not taken.
    auto bytes = testutil::readFile(file);
    bytes[imageOffset(bytes, 1) + 14] = 16;
    testutil::writeFile(file, bytes);

    TJobState job;
    FakeWizardView view;
    EXPECT_TRUE(loadFile(job, view, file, 0));
    EXPECT_FALSE(loadFile(job, view, file, 1));
    EXPECT_EQ(job.SourceKind, TSourceKind::None);
    EXPECT_EQ(job.SubCount, 3);
    EXPECT_EQ(FirstLines(view.messages),
              QStringList{QStringLiteral("Picture error: Cannot load picture ") + qs(file)});
    EXPECT_TRUE(loadFile(job, view, file, 2));
    EXPECT_EQ(job.SubCount, 3);

    // The same when the very first image is the unloadable one.
    bytes[imageOffset(bytes, 0) + 14] = 16;
    testutil::writeFile(file, bytes);
    EXPECT_FALSE(loadFile(job, view, file, 0));
    EXPECT_EQ(job.SubCount, 3);
}

TEST(LoaderIconTest, FileWithoutAReadableDirectoryHasNoCount) {
    testutil::TempDir dir;
    const fs::path text = dir / "text.ico";
    testutil::writeFile(text, {'h', 'e', 'l', 'l', 'o'});
    TJobState job;
    FakeWizardView view;
    job.SubCount = 4;
    EXPECT_FALSE(loadFile(job, view, text, 0));
    EXPECT_EQ(job.SubCount, 0);

    // One real image under a header claiming 65535: the directory cannot be read, so no
    // count is known and the run does not try 65535 images.
    const fs::path claims = dir / "claims.ico";
    appendImage(claims, 16, 8, 1);
    auto bytes = testutil::readFile(claims);
    bytes[4] = 0xFF;
    bytes[5] = 0xFF;
    testutil::writeFile(claims, bytes);
    EXPECT_FALSE(loadFile(job, view, claims, 0));
    EXPECT_EQ(job.SubCount, 0);
}
