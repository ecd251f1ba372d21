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

} // namespace

TEST(LoaderConformanceTest, ValidPicturesLoadAndMalformedOnesAreRefusedCleanly) {
    const auto expectations = readExpectations();
    ASSERT_GT(expectations.size(), 600u);
    int loaded = 0, refused = 0;
    std::vector<std::string> acceptedElsewhere;
    for (const Expectation& entry : expectations) {
        const fs::path file = testutil::testDataDir() / entry.path;
        const bool icon = file.extension() == ".ico";

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
            EXPECT_TRUE(ok) << "a valid picture must load";
        }

        // So does every other image of a valid icon file.
        if (icon && entry.expect == 'V' && job.SubCount > 1) {
            const int count = job.SubCount;
            for (int index = 1; index < count; ++index) {
                FakeWizardView next;
                EXPECT_TRUE(loadFile(job, next, file, index)) << "image " << index;
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
