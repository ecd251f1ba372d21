// Files from outside the project: conformance suites, other libraries' test images,
// malformed files and every truncation of valid ones.

#include <QBuffer>
#include <QString>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

#include "GIFTestSupport.h"
#include "gif/GIFImage.h"
#include "reduce/GraphicErrors.h"
#include "utils/TestUtils.h"

using namespace giftest;
namespace fs = std::filesystem;

namespace {

enum class Outcome { Loaded, Refused };

// Loads `bytes` and builds the bitmap. Only the reader's own exceptions may come out; any
// other kind fails the test.
Outcome LoadAndDraw(TGIFImage& image, const Bytes& bytes, const std::string& name,
                    std::string* error = nullptr) {
    try {
        Load(image, bytes);
        const QImage& bitmap = image.Bitmap();
        if (image.Images().Empty()) {
            EXPECT_TRUE(bitmap.isNull()) << name;
        } else if (image.Width() > 0 && image.Height() > 0 && !bitmap.isNull()) {
            EXPECT_EQ(bitmap.size(), QSize(image.Width(), image.Height())) << name;
        }
        return Outcome::Loaded;
    } catch (const GIFException& e) {
        if (error) *error = e.what();
    } catch (const EOutOfMemory& e) {
        if (error) *error = e.what();
    } catch (const EInvalidGraphicOperation& e) {
        if (error) *error = e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << name << ": unexpected exception " << e.what();
    }
    return Outcome::Refused;
}

std::vector<fs::path> GifInputs() {
    std::vector<fs::path> files;
    for (const char* folder : {"gif", "bad/gif", "bad/misc"}) {
        for (const auto& entry :
             fs::recursive_directory_iterator(testutil::testDataDir() / folder)) {
            const fs::path& path = entry.path();
            if (!entry.is_regular_file() || path.string().find("/expected/") != std::string::npos)
                continue;
            if (path.extension() == ".gif" ||
                path.string().find("gif-named") != std::string::npos) {
                files.push_back(path);
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Relative(const fs::path& path) {
    return fs::relative(path, testutil::testDataDir()).generic_string();
}

} // namespace

TEST(GIFTestData, EveryFileLoadsOrIsRefusedCleanlyAndValidFilesLoad) {
    const auto expectations = testutil::expectationsByPath();
    const auto files = GifInputs();
    ASSERT_GT(files.size(), 150u);
    int loaded = 0, refused = 0, valid = 0;
    for (const fs::path& path : files) {
        const std::string name = Relative(path);
        std::string error;
        TGIFImage image;
        const Outcome outcome = LoadAndDraw(image, testutil::readFile(path), name, &error);
        (outcome == Outcome::Loaded ? loaded : refused)++;
        const auto found = expectations.find(name);
        if (found == expectations.end() || found->second != 'V') continue;
        ++valid;
        EXPECT_EQ(outcome, Outcome::Loaded) << name << ": " << error;
    }
    EXPECT_GT(valid, 80);
    std::cout << files.size() << " files: " << loaded << " loaded, " << refused << " refused; "
              << valid << " valid ones all checked\n";
}

TEST(GIFTestData, SizeBombsAreRefusedWithoutAllocating) {
    for (const char* name : {"bad/gif/pygif-suite/max-size.gif", "bad/gif/gdk-pixbuf/bug785973.gif",
                             "bad/gif/generated/screen-65535x65535-real-frame-128x128.gif",
                             "bad/gif/generated/frame-claims-65535x65535-data-128x128.gif"}) {
        std::string error;
        TGIFImage image;
        EXPECT_EQ(
            LoadAndDraw(image, testutil::readFile(testutil::testDataDir() / name), name, &error),
            Outcome::Refused)
            << name;
        EXPECT_EQ(error, GIFTooLargeMessage) << name;
    }
}

TEST(GIFTestData, SuiteFramesMatchTheReferenceColours) {
    // Where the reference rendering of frame 0 is opaque inside frame 0's rectangle, our
    // bitmap must show the same colour.
    const auto expectations = testutil::expectationsByPath();
    const fs::path expected = testutil::testDataDir() / "gif/pygif-suite/expected";
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(expected)) {
        if (entry.path().extension() != ".conf") continue;
        std::ifstream conf(entry.path());
        std::string line, input, pixels;
        bool inFrame0 = false;
        while (std::getline(conf, line)) {
            if (line.rfind("input = ", 0) == 0) input = line.substr(8);
            if (line.rfind("[", 0) == 0) inFrame0 = line == "[frame0]";
            if (inFrame0 && line.rfind("pixels = ", 0) == 0) pixels = line.substr(9);
        }
        if (input.empty() || pixels.empty()) continue;
        const fs::path gif = expected.parent_path() / input;
        if (!fs::exists(gif)) continue;
        SCOPED_TRACE(input);
        TGIFImage image;
        try {
            image.LoadFromFile(QString::fromStdString(gif.string()));
        } catch (const GIFException& e) {
            // Malformed files may be refused; valid ones must load.
            EXPECT_NE(expectations.at("gif/pygif-suite/" + input), 'V') << e.what();
            continue;
        }
        if (image.Images().Empty()) continue; // the reference shows an empty screen
        // Images without a graphic control block are shown together with the next one as
        // one frame; the reference's first frame is then more than frame 0.
        if (image.Images().Count() > 1 && image.Images()[0].GraphicControlExtension() == nullptr)
            continue;
        const QImage bitmap = image.Bitmap().convertToFormat(QImage::Format_RGB32);
        const Bytes reference = testutil::readFile(expected / pixels);
        ASSERT_EQ(reference.size(), static_cast<std::size_t>(image.Width()) * image.Height() * 4);
        const TGIFSubImage& frame = image.Images()[0];
        int mismatches = 0;
        for (int y = frame.Top(); y < std::min(image.Height(), frame.Top() + frame.Height()); ++y) {
            for (int x = frame.Left(); x < std::min(image.Width(), frame.Left() + frame.Width());
                 ++x) {
                const std::uint8_t* p =
                    &reference[(static_cast<std::size_t>(y) * image.Width() + x) * 4];
                if (p[3] != 255) continue;
                if (bitmap.pixel(x, y) != qRgb(p[0], p[1], p[2])) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0);
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

TEST(GIFTestData, EveryTruncationLoadsPartlyOrFailsCleanly) {
    // Every kind of block: extensions, local table, interlace, several frames.
    Bytes everything = Header(20, 10, Colors(8));
    Append(everything,
           {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    Append(everything,
           {0x21, 0xFF, 10, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', 2, 7, 7, 0});
    AddComment(everything, {"a comment", "two lines"});
    AddGraphicControl(everything, true, 5);
    AddImage(everything, {2, 1, 15, 7, Pattern(15, 7, 8), {}, true, 3});
    Append(everything, {0x21, 0x01, 12, 0, 0, 0, 0, 20, 0, 10, 0, 4, 4, 1, 0, 2, 'h', 'i', 0});
    AddImage(everything, {0, 0, 20, 10, Pattern(20, 10, 16), Colors(16), false, 4});
    everything.push_back(0x3B);

    std::vector<std::pair<std::string, Bytes>> files = {{"hand-made", everything}};
    for (const char* name :
         {"gif/pygif-suite/interlace.gif", "gif/pygif-suite/4095-codes-clear.gif",
          "gif/pillow/hopper_resized.gif", "gif/pillow/multiple_comments.gif",
          "gif/pillow/test_extents.gif"}) {
        files.emplace_back(name, testutil::readFile(testutil::testDataDir() / name));
    }
    for (const auto& [name, bytes] : files) {
        TGIFImage full;
        ASSERT_EQ(LoadAndDraw(full, bytes, name), Outcome::Loaded) << name;
        const std::vector<std::uint8_t> whole = full.Images()[0].Data();
        int partial = 0;
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const std::string where = name + " cut at " + std::to_string(length);
            TGIFImage image;
            if (LoadAndDraw(image, cut, where) != Outcome::Loaded) continue;
            if (image.Images().Empty() || image.Images()[0].Empty()) continue;
            // What was decoded is the file's own pixels; the rest is the fill value.
            const TGIFSubImage& frame = image.Images()[0];
            const std::uint8_t fill = frame.Transparent() ? frame.TransparentColorIndex() : 0;
            const std::vector<std::uint8_t> pixels = frame.Data();
            ASSERT_EQ(pixels.size(), whole.size()) << where;
            std::size_t wrong = 0;
            while (wrong < pixels.size() &&
                   (pixels[wrong] == whole[wrong] || pixels[wrong] == fill))
                ++wrong;
            ASSERT_EQ(wrong, pixels.size()) << where << ": first wrong pixel";
            ++partial;
        }
        EXPECT_GT(partial, 0) << name;
    }
}
