// tessaly-convert as a command: its queue, messages, exit statuses, and what it leaves on
// disk when it may not or cannot write.
#include "ConvertHarness.h"

#include "image/IconLib.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace e2e;
using testutil::Contains;
using testutil::Snapshot;

namespace {

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// An icon file whose first image is 16-bit (not taken), then 4- and 8-bit ones.
void MixedIcon(const fs::path& file) {
    for (int bits : {8, 4, 8}) {
        TPxlMap color{}, mask{};
        color.NewImage(16, 16, bits);
        mask.NewImage(16, 16, 1);
        WriteIconImage(QString::fromStdString(file.string()), -1, color, mask);
    }
    auto bytes = testutil::readFile(file);
    bytes[bytes[6 + 12] + 14u] = 16; // the first image's offset is below 256
    testutil::writeFile(file, bytes);
}

class ConvertRun : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = tmp_.path() / "work";
        fs::create_directory(work_);
    }
    fs::path Picture(const std::string& name, int w = 20, int h = 14) {
        Encode(Patterned(w, h), work_ / name, "bmp24");
        return work_ / name;
    }
    RunResult Run(const std::vector<std::string>& args) { return RunConvert(work_, args); }

    testutil::TempDir tmp_;
    fs::path work_;
};

} // namespace

TEST_F(ConvertRun, UsageErrorsExitWithTwoAndNameTheOption) {
    Picture("a.bmp");
    struct Case {
        std::vector<std::string> Args;
        std::string Named;
    };
    const Case cases[] = {{{"--size", "0", "a.bmp"}, "--size"},
                          {{"-c", "2", "a.bmp"}, "-c"},
                          {{"--mask", "some", "a.bmp"}, "--mask"},
                          {{"-f", "png", "a.bmp"}, "-f"},
                          {{"--bogus", "a.bmp"}, "--bogus"},
                          {{"a.bmp", "-o"}, "-o"},
                          {{"-j", "0", "a.bmp"}, "-j"},
                          {{"--jobs=257", "a.bmp"}, "--jobs"},
                          {{"-j+2", "a.bmp"}, "-j"},
                          {{}, "picture"}};
    for (const Case& c : cases) {
        const RunResult r = Run(c.Args);
        EXPECT_EQ(r.ExitCode, 2) << c.Named;
        EXPECT_TRUE(Contains(r.Err, c.Named)) << r.Err;
        EXPECT_TRUE(Contains(r.Err, "--help")) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_FALSE(fs::exists(work_ / "a.ico"));
}

TEST_F(ConvertRun, HelpAndVersion) {
    RunResult r = Run({"--help"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(Contains(r.Out, "Usage: tessaly-convert"));
    for (const char* option :
         {"--size", "--colors", "--mask", "--format", "--output", "--no-replace", "--quiet"})
        EXPECT_TRUE(Contains(r.Out, option)) << option;
    r = Run({"--version"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(Contains(r.Out, "tessaly-convert")) << r.Out;
    EXPECT_TRUE(Contains(r.Out, "3.5")) << r.Out;
}

TEST_F(ConvertRun, PicturesAreDoneInTheGivenOrderAndSkippedArgumentsAreNamed) {
    Picture("c.bmp");
    Picture("a.bmp");
    testutil::writeFile(work_ / "photo.tif", {'I', 'I', '*', 0});
    fs::create_directory(work_ / "folder.bmp");
    const RunResult r = Run({"c.bmp", "a.bmp", "missing.jpg", "photo.tif", "c.bmp", "folder.bmp"});
    EXPECT_EQ(r.ExitCode, 1);
    // One line per skipped argument, naming it.
    EXPECT_EQ(Lines(r.Err), 4u) << r.Err;
    for (const char* name : {"missing.jpg", "photo.tif", "c.bmp", "folder.bmp"})
        EXPECT_TRUE(Contains(r.Err, name)) << name;
    // Written in the order given (the wizard's command line would be taken last to first).
    EXPECT_EQ(r.Out, (work_ / "c.ico").string() + "\n" + (work_ / "a.ico").string() + "\n");
    EXPECT_TRUE(fs::exists(work_ / "c.ico"));
    EXPECT_TRUE(fs::exists(work_ / "a.ico"));

    const RunResult none = Run({"missing.jpg"});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_TRUE(Contains(none.Err, "missing.jpg"));
}

TEST_F(ConvertRun, APictureThatDoesNotLoadIsReportedWithItsReason) {
    Picture("good.bmp");
    testutil::writeFile(work_ / "bad.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    testutil::writeFile(work_ / "bad.jpg", {0xFF, 0xD8, 0xFF, 0x00});
    const RunResult r = Run({"bad.bmp", "good.bmp", "bad.jpg"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err,
              "tessaly-convert: Cannot load picture bad.bmp: unable to read image data\n"
              "tessaly-convert: Cannot load picture bad.jpg: JPEG datastream contains no image\n");
    EXPECT_TRUE(fs::exists(work_ / "good.ico"));
    EXPECT_FALSE(fs::exists(work_ / "bad.ico"));
    EXPECT_EQ(r.Out, (work_ / "good.ico").string() + "\n");

    // A run whose first picture fails still asks the save page for the next one.
    const RunResult mico = Run({"-f", "mico", "bad.bmp", "good.bmp"});
    EXPECT_EQ(mico.ExitCode, 1);
    EXPECT_TRUE(fs::exists(work_ / "good.ico"));
}

// Names that are not UTF-8 (Latin-1 here): opened by their bytes, outputs named from
// those bytes, messages readable.
TEST_F(ConvertRun, NamesThatAreNotUtf8AreConvertedByTheirBytes) {
    Picture("lat1 \xe9t\xe9.bmp");
    testutil::writeFile(work_ / "bad \xe9.jpg", {0xFF, 0xD8, 0xFF, 0x00});
    const RunResult r = Run({"lat1 \xe9t\xe9.bmp", "bad \xe9.jpg"});
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_TRUE(fs::exists(work_ / "lat1 \xe9t\xe9.ico"));
    EXPECT_EQ(r.Out, (work_ / "lat1 \xe9t\xe9.ico").string() + "\n");
    EXPECT_TRUE(Contains(r.Err, "Cannot load picture bad \u00e9.jpg:")) << r.Err;
    // A folder named so takes outputs too, a multi-resource icon included.
    fs::create_directory(work_ / "out \xe9");
    EXPECT_EQ(Run({"-o", "out \xe9", "lat1 \xe9t\xe9.bmp"}).ExitCode, 0);
    EXPECT_TRUE(fs::exists(work_ / "out \xe9" / "lat1 \xe9t\xe9.ico"));
    const RunResult mico = Run({"-f", "mico", "-o", "out \xe9/all \xe9.ico", "lat1 \xe9t\xe9.bmp"});
    EXPECT_EQ(mico.ExitCode, 0) << mico.Err;
    EXPECT_TRUE(fs::exists(work_ / "out \xe9" / "all \xe9.ico"));
}

TEST_F(ConvertRun, NoReplaceKeepsExistingFilesAndSaysSo) {
    Picture("a.bmp");
    Picture("b.bmp");
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    fs::create_directory(work_ / "out");
    testutil::writeFile(work_ / "out" / "a.ico", old);
    testutil::writeFile(work_ / "out" / "a.bmp", old);
    for (const char* format : {"ico", "bmp"}) {
        const RunResult r = Run({"--no-replace", "-f", format, "-o", "out", "a.bmp", "b.bmp"});
        EXPECT_EQ(r.ExitCode, 1) << format;
        EXPECT_TRUE(Contains(r.Err, std::string("out/a.") + format)) << r.Err;
        EXPECT_EQ(testutil::readFile(work_ / "out" / (std::string("a.") + format)), old) << format;
        EXPECT_TRUE(fs::exists(work_ / "out" / (std::string("b.") + format))) << format;
    }
    // Replacing is the default.
    const RunResult r = Run({"-o", "out", "a.bmp"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(fs::file_size(work_ / "out" / "a.ico"), 2238u);
    // A multi-resource icon never replaces: it extends.
    const RunResult mico = Run({"--no-replace", "-f", "mico", "-o", "out/a.ico", "b.bmp"});
    EXPECT_EQ(mico.ExitCode, 0) << mico.Err;
    EXPECT_EQ(fs::file_size(work_ / "out" / "a.ico"), 6u + 2 * 16 + 2 * 2216);
}

TEST_F(ConvertRun, AnOutputFolderThatIsNotThereIsAUsageErrorInOneLine) {
    Picture("a.bmp");
    testutil::writeFile(work_ / "file.txt", {'x'});
    for (const char* format : {"ico", "bmp"}) {
        for (const char* folder : {"file.txt/sub", "missing"}) {
            const RunResult r = Run({"-f", format, "-o", folder, "a.bmp", "a.bmp"});
            EXPECT_EQ(r.ExitCode, 2) << format;
            EXPECT_EQ(r.Err, std::string("tessaly-convert: output folder ") + folder +
                                 " does not exist\n");
        }
    }
    const RunResult mico = Run({"-f", "mico", "-o", "file.txt/all.ico", "a.bmp"});
    EXPECT_EQ(mico.ExitCode, 2);
    EXPECT_EQ(mico.Err, "tessaly-convert: output folder file.txt is not a folder\n");
    EXPECT_EQ(testutil::readFile(work_ / "file.txt"), std::vector<std::uint8_t>{'x'});
    EXPECT_FALSE(fs::exists(work_ / "missing"));
}

TEST_F(ConvertRun, MultiResourceDefaultsToTheFirstLoadedPicturesName) {
    Picture("first.one.bmp");
    Picture("second.bmp", 50, 50);
    RunResult r = Run({"-f", "mico", "first.one.bmp", "second.bmp"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ProbeIco(work_ / "first.ico").Count, 2);
    // The same file again: it is extended, not replaced.
    r = Run({"-f", "mico", "second.bmp"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ProbeIco(work_ / "second.ico").Count, 1);
    r = Run({"-f", "mico", "-o", "second", "first.one.bmp"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ProbeIco(work_ / "second.ico").Count, 2);
    // A file there that is no icon is not touched.
    testutil::writeFile(work_ / "junk.ico", {1, 2});
    r = Run({"-f", "mico", "-o", "junk.ico", "second.bmp"});
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_TRUE(Contains(r.Err, "junk.ico")) << r.Err;
    EXPECT_TRUE(Contains(r.Err, "Icon file is not valid")) << r.Err;
    EXPECT_EQ(testutil::readFile(work_ / "junk.ico"), (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(ConvertRun, QuietPrintsNothingAndProgressOnlyGoesToATerminal) {
    Picture("a.bmp");
    Picture("b.bmp");
    RunResult r = Run({"-q", "a.bmp", "b.bmp"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "");
    r = Run({"a.bmp", "b.bmp"});
    EXPECT_EQ(r.Err, "") << "no progress line without a terminal";

    if (!testutil::haveProgram("script")) GTEST_SKIP() << "script is not installed";
    const std::string program = (testutil::binDir() / "tessaly-convert").string();
    const auto tty = testutil::runCommand(
        "cd " + testutil::shellQuote(work_.string()) +
        " && env -u QT_QPA_PLATFORM -u DISPLAY script -qec " +
        testutil::shellQuote(testutil::shellQuote(program) + " a.bmp b.bmp >/dev/null") +
        " /dev/null");
    EXPECT_EQ(tty.exitCode, 0) << tty.output;
    EXPECT_TRUE(Contains(tty.output, "[2/2] b.bmp")) << tty.output;
    const auto quietTty = testutil::runCommand(
        "cd " + testutil::shellQuote(work_.string()) +
        " && env -u QT_QPA_PLATFORM -u DISPLAY script -qec " +
        testutil::shellQuote(testutil::shellQuote(program) + " -q a.bmp b.bmp") + " /dev/null");
    EXPECT_EQ(quietTty.exitCode, 0) << quietTty.output;
    EXPECT_FALSE(Contains(quietTty.output, "[2/2]")) << quietTty.output;
}

TEST_F(ConvertRun, PicturesAfterFailedOnesKeepTheChosenFormatAndAreNamedByTheRules) {
    testutil::writeFile(work_ / "bad.bmp", {'n', 'o'});
    MixedIcon(work_ / "mixed.ico");
    Picture("good.bmp");
    const std::map<std::string, std::vector<std::string>> written = {
        {"ico", {"good.ico", "mixed_2.ico", "mixed_3.ico"}},
        {"bmp", {"good.bmp", "mixed_2.bmp", "mixed_3.bmp"}},
        {"mico", {"mixed_2.ico"}}};
    for (const auto& [format, names] : written) {
        const fs::path out = tmp_.path() / format;
        fs::create_directory(out);
        const RunResult r = RunConvert(out, {"-f", format, (work_ / "bad.bmp").string(),
                                             (work_ / "mixed.ico").string(), "../work/good.bmp"});
        EXPECT_EQ(r.ExitCode, 1) << r.Err;
        std::vector<std::string> found;
        for (const auto& [name, bytes] : Snapshot(out))
            found.push_back(name);
        EXPECT_EQ(found, names) << format;
        EXPECT_TRUE(Contains(r.Err, "tessaly-convert: Cannot load picture " +
                                        (work_ / "mixed.ico").string() +
                                        ": image 1 of 3 is a 16-bit image\n"))
            << r.Err;
        EXPECT_TRUE(Contains(r.Err, "warning: the automatic mask makes all of")) << r.Err;
    }
    EXPECT_EQ(ProbeIco(tmp_.path() / "mico" / "mixed_2.ico").Count, 3);
}

TEST_F(ConvertRun, SurprisesAreNamedAndARefusedWriteCountsWhatIsLeft) {
    Picture("holiday.v1.bmp");
    Picture("holiday.v2.bmp");
    MixedIcon(work_ / "mixed.ico");
    RunResult r = Run({"holiday.v1.bmp", "holiday.v2.bmp"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Err, "tessaly-convert: warning: " + (work_ / "holiday.ico").string() +
                         " from holiday.v2.bmp replaces the one written from holiday.v1.bmp\n");

    const auto old = testutil::readFile(work_ / "holiday.ico");
    fs::permissions(work_ / "holiday.ico", fs::perms::owner_read | fs::perms::group_read);
    r = Run({"-m", "none", "holiday.v1.bmp", "mixed.ico"});
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_EQ(r.Err, "tessaly-convert: Cannot write " + (work_ / "holiday.ico").string() +
                         ": Permission denied\ntessaly-convert: stopped at holiday.v1.bmp: 4 "
                         "pictures not converted\n");
    EXPECT_EQ(testutil::readFile(work_ / "holiday.ico"), old);
}
