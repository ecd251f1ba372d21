// Every picture of the shared test data through the program's loader: valid ones load at
// the size an independent decoder reports, malformed ones are refused through the one
// failure path (apart from the few listed below, each for a stated reason), and nothing
// crashes, hangs or overruns (the sanitizer build runs this too).
#include "LoaderTestSupport.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Malformed files that still convert, each on purpose.
const std::map<std::string, std::string> AcceptedOnPurpose = {
    // The frame's width and height are 0: such a frame takes the logical screen's size,
    // and this one's data fills exactly that.
    {"bad/gif/generated/frame-0x0-with-data.gif", "zero-size frame takes the screen's size"},
    // Only the last 20 bytes of the mask are missing; a mask cut short reads as opaque.
    {"bad/ico/generated/trunc-in-and-mask.ico", "mask cut short reads as opaque"},
    // The directory's byte count is absurd but unused; the image itself is whole. Refusing
    // counts past the end of the file would refuse cut-short masks as well.
    {"bad/ico/generated/entry-size-past-eof.ico", "unused byte count; image complete"},
    // Images are read one at a time: those before the cut convert, those after it are
    // each refused.
    {"bad/ico/generated/trunc-multi-9-entries-at-60-percent.ico", "per-image refusal"},
    // The broken PNG image comes first and is refused; the three 32-bit images after it
    // are whole and convert.
    {"bad/ico/generated/png-entry-idat-garbage.ico", "per-image refusal"},
    {"bad/ico/generated/png-entry-ihdr-100000x100000.ico", "per-image refusal"},
    {"bad/ico/generated/png-entry-ihdr-crc-wrong.ico", "per-image refusal"},
    // The directory gives the PNG image 8 bytes; the image itself is whole and is read
    // up to its own end, as no byte count is trusted.
    {"bad/ico/generated/png-entry-size-8.ico", "unused byte count; image complete"},
};

struct Outcome {
    int images = 0; // images tried
    int loaded = 0;
    std::vector<QSize> sizes;
};

Outcome LoadEveryImage(const fs::path& file) {
    Outcome outcome;
    TJobState job;
    int count = 1;
    for (int index = 0; index < count && index < 64; ++index) {
        const LoadResult load = LoadWithLoader(job, file, index);
        ++outcome.images;
        if (load.Ok) {
            ++outcome.loaded;
            outcome.sizes.push_back(load.Picture.size());
            EXPECT_TRUE(load.Message.isEmpty()) << load.Message.toStdString();
            EXPECT_GT(load.Picture.width(), 0);
            EXPECT_GT(load.Picture.height(), 0);
        } else {
            EXPECT_EQ(load.Message,
                      QStringLiteral("Picture error: Cannot load picture ") + Q(file));
            outcome.sizes.push_back({});
        }
        // An icon file's count is known from its first image on, also when that fails.
        if (index == 0) count = std::max(1, load.SubCount);
    }
    return outcome;
}

} // namespace

TEST(LoaderConformance, EveryTestFileLoadsOrIsRefusedAsItsExpectationSays) {
    const std::vector<testutil::Expectation> entries = testutil::readExpectations();
    ASSERT_GT(entries.size(), 600u);
    static const std::regex pillowSize(R"(^ok (\w+) (\d+)x(\d+))");
    int valid = 0, refused = 0, lenientLoaded = 0, lenientRefused = 0;
    std::set<std::string> acceptedSeen;

    for (const testutil::Expectation& entry : entries) {
        SCOPED_TRACE(entry.path);
        const fs::path file = testutil::testDataDir() / entry.path;
        ASSERT_TRUE(fs::exists(file));
        const bool icon = file.extension() == ".ico";
        const Outcome outcome = LoadEveryImage(file);

        if (entry.expect == 'V') {
            ++valid;
            if (icon) {
                // Every image loads, whatever its depth, size or coding.
                for (int i = 0; i < outcome.images; ++i)
                    EXPECT_FALSE(outcome.sizes[static_cast<std::size_t>(i)].isEmpty())
                        << "image " << i;
                continue;
            }
            ASSERT_EQ(outcome.loaded, 1) << "a valid picture must load";
            std::smatch m;
            if (file.extension() == ".gif") {
                // Frame 0 on the logical screen, whose size the header gives (Pillow widens
                // its canvas to frames that reach past the screen).
                const Bytes bytes = testutil::readFile(file);
                ASSERT_GE(bytes.size(), 10u);
                EXPECT_EQ(outcome.sizes[0],
                          QSize(bytes[6] | bytes[7] << 8, bytes[8] | bytes[9] << 8));
            } else if (std::regex_search(entry.pillow, m, pillowSize)) {
                EXPECT_EQ(outcome.sizes[0], QSize(std::stoi(m[2]), std::stoi(m[3])))
                    << "Pillow: " << entry.pillow;
            }
        } else if (entry.expect == 'B') {
            const auto reason = AcceptedOnPurpose.find(entry.path);
            if (reason == AcceptedOnPurpose.end()) {
                EXPECT_EQ(outcome.loaded, 0) << "a malformed file must be refused";
                ++refused;
            } else {
                acceptedSeen.insert(entry.path);
            }
        } else {
            outcome.loaded > 0 ? ++lenientLoaded : ++lenientRefused;
        }
    }
    EXPECT_EQ(acceptedSeen.size(), AcceptedOnPurpose.size());
    std::printf("valid %d, malformed refused %d, accepted on purpose %zu, either way: %d "
                "loaded, %d refused\n",
                valid, refused, acceptedSeen.size(), lenientLoaded, lenientRefused);
}

// The files accepted on purpose do what their reason says.
TEST(LoaderConformance, MalformedFilesAcceptedOnPurposeBehaveAsReasoned) {
    const fs::path bad = testutil::testDataDir() / "bad";

    // The frame fills the 128 x 128 screen.
    const auto zeroFrame = LoadWithLoader(bad / "gif/generated/frame-0x0-with-data.gif");
    ASSERT_TRUE(zeroFrame.Ok);
    EXPECT_EQ(zeroFrame.Picture.size(), QSize(128, 128));

    // Same picture as the whole file it was cut from, the mask's missing rows opaque.
    for (const char* name :
         {"ico/generated/trunc-in-and-mask.ico", "ico/generated/entry-size-past-eof.ico"}) {
        SCOPED_TRACE(name);
        const auto damaged = LoadWithLoader(bad / name);
        ASSERT_TRUE(damaged.Ok);
        EXPECT_EQ(damaged.Picture.size(), QSize(48, 48));
        EXPECT_EQ(damaged.SubCount, 1);
    }

    for (const char* name : {"png-entry-idat-garbage.ico", "png-entry-ihdr-100000x100000.ico",
                             "png-entry-ihdr-crc-wrong.ico"}) {
        SCOPED_TRACE(name);
        TJobState job;
        EXPECT_FALSE(LoadWithLoader(job, bad / "ico/generated" / name, 0).Ok);
        for (int index = 1; index < 4; ++index)
            EXPECT_TRUE(LoadWithLoader(job, bad / "ico/generated" / name, index).Ok);
    }

    // The directory lists 9 images; those whose data lies before the cut load, the rest
    // are refused one by one, and the count stays 9 throughout.
    const fs::path multi = bad / "ico/generated/trunc-multi-9-entries-at-60-percent.ico";
    const Bytes bytes = testutil::readFile(multi);
    TJobState job;
    int loaded = 0;
    for (int index = 0; index < 9; ++index) {
        SCOPED_TRACE(index);
        const auto load = LoadWithLoader(job, multi, index);
        EXPECT_EQ(load.SubCount, 9);
        const std::uint32_t offset =
            testutil::Get32(bytes, 6 + 16 * static_cast<std::size_t>(index) + 12);
        if (offset + 40 > bytes.size()) {
            EXPECT_FALSE(load.Ok) << "its data is not there";
        }
        loaded += load.Ok;
    }
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, 9);
}
