// tessaly-convert on several threads: a batch with every kind of trouble gives the same
// files, messages and exit status with -j 4 as with -j 1.
#include "ConvertHarness.h"

#include "image/IconLib.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

// Four images of different sizes and patterns, the first 32-bit (no pixel map holds it).
void SeveralImages(const fs::path& file) {
    int n = 0;
    for (int size : {16, 24, 48, 32}) {
        TPxlMap color{}, mask{};
        color.NewImage(size, size, 4);
        mask.NewImage(size, size, 1);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                color.SetPixel(x, y, (x / (n + 2) + y) % 16);
        ++n;
        WriteIconImage(QString::fromStdString(file.string()), -1, color, mask);
    }
    auto bytes = testutil::readFile(file);
    bytes[bytes[6 + 12] + 14u] = 32;
    testutil::writeFile(file, bytes);
}

} // namespace

TEST(ConvertParallel, EveryJobCountGivesTheOneThreadRunsFilesMessagesAndStatus) {
    testutil::TempDir tmp;
    const fs::path src = tmp.path() / "src";
    fs::create_directory(src);
    std::vector<std::string> pictures;
    auto add = [&](const std::string& name) { pictures.push_back((src / name).string()); };
    for (int i = 0; i < 12; ++i) {
        const std::string name = "p" + std::to_string(i) + (i % 3 == 0 ? ".gif" : ".jpg");
        Encode(Patterned(40 + 7 * i, 30 + 5 * i), src / name, i % 3 == 0 ? "gif" : "jpg");
        add(name);
        if (i == 2) {
            testutil::writeFile(src / "broken.jpg", {'n', 'o', 't'});
            add("broken.jpg");
            SeveralImages(src / "tools.ico");
            add("tools.ico");
            // Two pictures giving d.ico: the later one replaces the earlier.
            Encode(Patterned(33, 21), src / "d.jpg", "jpg");
            Encode(Patterned(45, 45), src / "d.gif", "gif");
            add("d.jpg");
            add("d.gif");
        }
    }
    auto cut = testutil::readFile(src / "p3.gif");
    cut.resize(cut.size() / 2);
    testutil::writeFile(src / "p3.gif", cut);

    // Output with a file to keep (p1) and a folder where p7's file should go, which stops
    // the run there.
    auto prepare = [](const fs::path& out) {
        fs::create_directories(out / "p7.ico");
        testutil::writeFile(out / "p1.ico", {1, 2, 3});
    };
    const std::vector<std::vector<std::string>> runs = {
        {"-o", "out"}, {"--no-replace", "-o", "out"}, {"-f", "mico", "-o", "out/all.ico"}};
    const int expectedExit[] = {3, 3, 1};
    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::vector<RunResult> results;
        std::vector<std::map<std::string, std::vector<std::uint8_t>>> files;
        for (const char* jobs : {"1", "4"}) {
            const fs::path cwd = tmp.path() / ("run" + std::to_string(r) + "-" + jobs);
            prepare(cwd / "out");
            std::vector<std::string> args = runs[r];
            args.insert(args.begin(), {"-j", jobs});
            args.insert(args.end(), pictures.begin(), pictures.end());
            results.push_back(RunConvert(cwd, args));
            files.push_back(testutil::Snapshot(cwd / "out"));
        }
        SCOPED_TRACE(results[0].Err);
        EXPECT_EQ(results[0].ExitCode, expectedExit[r]);
        EXPECT_EQ(results[1].ExitCode, results[0].ExitCode);
        EXPECT_EQ(results[1].Out, results[0].Out);
        EXPECT_EQ(results[1].Err, results[0].Err);
        EXPECT_TRUE(files[1] == files[0]) << "the output files differ";
        EXPECT_NE(results[0].Err.find("Cannot load picture"), std::string::npos);
        if (r == 0) {
            EXPECT_NE(results[0].Err.find("d.ico from"), std::string::npos);
        } else if (r == 2) {
            EXPECT_GT(files[0]["all.ico"].size(), 5000u);
        }
    }
}
