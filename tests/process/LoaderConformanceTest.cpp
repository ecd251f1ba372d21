#include "LoaderTestSupport.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Every conformance file goes through LoadPicture: valid pictures load, malformed ones
// are refused through the one failure path, and nothing crashes, hangs or overruns
// (run this under the sanitizer build too).

namespace fs = std::filesystem;

namespace {

using testutil::Expectation;
using testutil::readExpectations;

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::uint32_t little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) return 0;
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Whether icon image `index` is one the pixel maps hold: a square bitmap entry (height
// field twice the width) of 1, 4 or 8 bits, at most 100 pixels wide. PNG entries and
// deeper images are not.
bool iconImageIsHeld(const std::vector<std::uint8_t>& bytes, int index) {
    const std::uint32_t offset = little32(bytes, 6 + 16 * static_cast<std::size_t>(index) + 12);
    if (offset + 40 > bytes.size()) return false;
    const auto width = static_cast<std::int32_t>(little32(bytes, offset + 4));
    const auto height = static_cast<std::int32_t>(little32(bytes, offset + 8));
    const std::uint8_t bits = bytes[offset + 14];
    return little32(bytes, offset) == 40 && width > 0 && width <= 100 && height == 2 * width &&
           (bits == 1 || bits == 4 || bits == 8);
}

} // namespace

TEST(LoaderConformanceTest, ValidPicturesLoadAndMalformedOnesAreRefusedCleanly) {
    const auto expectations = readExpectations();
    ASSERT_GT(expectations.size(), 600u);
    int loaded = 0, refused = 0;
    std::vector<std::string> acceptedElsewhere;
    for (const Expectation& entry : expectations) {
        const fs::path file = testutil::testDataDir() / entry.path;
        const bool icon = file.extension() == ".ico";
        const auto bytes = icon ? testutil::readFile(file) : std::vector<std::uint8_t>{};

        TJobState job;
        FakeWizardView view;
        const bool ok = loadFile(job, view, file, 0);
        ok ? ++loaded : ++refused;
        SCOPED_TRACE(entry.path);

        if (ok) {
            EXPECT_NE(job.SourceKind, TSourceKind::None);
            EXPECT_FALSE(job.InputImage.isNull());
            EXPECT_TRUE(view.messages.isEmpty());
        } else {
            EXPECT_EQ(job.SourceKind, TSourceKind::None);
            EXPECT_EQ(FirstLines(view.messages),
                      QStringList{QStringLiteral("Picture error: Cannot load picture ") +
                                  QString::fromStdString(file.string())});
        }

        // Bitmap and JPEG files are decoded here; GIF and icon files by their own readers,
        // whose acceptance follows their own rules and is tested with them.
        const bool decodedHere = !icon && file.extension() != ".gif";
        if (entry.expect == 'B' && decodedHere) {
            EXPECT_FALSE(ok) << "a malformed file must be refused";
        } else if (entry.expect == 'B' && ok) {
            acceptedElsewhere.push_back(entry.path);
        } else if (entry.expect == 'V' && !startsWith(entry.path, "bad/")) {
            if (icon)
                EXPECT_EQ(ok, iconImageIsHeld(bytes, 0));
            else
                EXPECT_TRUE(ok) << "a valid picture must load";
        }

        // The other images of a valid icon file follow the same rule.
        if (icon && entry.expect == 'V' && job.SubCount > 1) {
            const int count = job.SubCount;
            for (int index = 1; index < count; ++index) {
                FakeWizardView next;
                EXPECT_EQ(loadFile(job, next, file, index), iconImageIsHeld(bytes, index))
                    << "image " << index;
                EXPECT_EQ(job.SubCount, count);
            }
        }
    }
    RecordProperty("loaded", loaded);
    RecordProperty("refused", refused);
    std::printf("conformance files: %d loaded, %d refused\n", loaded, refused);
    for (const std::string& path : acceptedElsewhere)
        std::printf("  malformed, yet accepted by its reader: %s\n", path.c_str());
}
