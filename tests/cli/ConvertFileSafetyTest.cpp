// What a run leaves in a person's folders when it is stopped, and with special files,
// long names and other runs writing the same file.
#include "ConvertHarness.h"

#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

// The folder's entries: visible ones, or those starting with a dot.
std::vector<fs::path> Entries(const fs::path& folder, bool hidden) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if ((entry.path().filename().string()[0] == '.') == hidden) found.push_back(entry.path());
    return found;
}

// Starts tessaly-convert in `cwd`, its messages going to `err`.
pid_t StartConvert(const fs::path& cwd, const std::vector<std::string>& args, const fs::path& err) {
    const std::string program = (testutil::binDir() / "tessaly-convert").string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

} // namespace

// A signal in the middle of a batch: SIGINT, SIGTERM and SIGHUP end the run with 128 +
// the signal and the usual "stopped at" line, SIGKILL just ends it; either way every
// output is whole and no temporary file is left.
TEST(ConvertFileSafety, SignalsLeaveWholeOutputsAndNoTemporaryFiles) {
    const testutil::TempDir tmp;
    const fs::path dir = tmp.path();
    Encode(Patterned(640, 480), dir / "p0.jpg", "jpg");
    std::vector<std::string> pictures;
    for (int i = 0; i < 150; ++i) {
        pictures.push_back("p" + std::to_string(i) + ".jpg");
        if (i > 0) fs::copy_file(dir / "p0.jpg", dir / pictures.back());
    }
    for (const auto& [signal, jobs] : {std::pair{SIGTERM, "1"}, std::pair{SIGINT, "2"},
                                       std::pair{SIGHUP, "2"}, std::pair{SIGKILL, "2"}}) {
        SCOPED_TRACE(strsignal(signal));
        const fs::path out = dir / ("out" + std::to_string(signal));
        fs::create_directory(out);
        std::vector<std::string> args{"-j", jobs, "-o", out.string()};
        args.insert(args.end(), pictures.begin(), pictures.end());
        const pid_t pid = StartConvert(dir, args, dir / "err");
        ASSERT_GT(pid, 0);
        for (int wait = 0; wait < 6000 && Entries(out, false).size() < 3; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);

        const std::vector<fs::path> written = Entries(out, false);
        EXPECT_LT(written.size(), pictures.size());
        for (const fs::path& file : written)
            EXPECT_EQ(testutil::readFile(file), testutil::readFile(written.front())) << file;
        EXPECT_TRUE(Entries(out, true).empty());
        if (signal == SIGKILL) continue;
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        const std::vector<std::uint8_t> text = testutil::readFile(dir / "err");
        const std::string err(text.begin(), text.end());
        EXPECT_NE(err.find("tessaly-convert: stopped at p"), std::string::npos) << err;
    }
}

// FIFOs and devices are refused at once, as outputs and as pictures; names as long as
// the file system takes work; another run appending to the same icon file waits its turn,
// and a person's file with the name of an old temporary file stays.
TEST(ConvertFileSafety, SpecialFilesLongNamesAndSharedIconFiles) {
    const testutil::TempDir tmp;
    const fs::path dir = tmp.path();
    Encode(Patterned(20, 20), dir / "a.jpg", "jpg");
    ASSERT_EQ(mkfifo((dir / "fifo.ico").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir / "zero.ico");

    RunResult r = RunConvert(dir, {"-f", "mico", "-o", "fifo.ico", "a.jpg"});
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_NE(r.Err.find("fifo.ico: not a regular file"), std::string::npos) << r.Err;
    r = RunConvert(dir, {"-f", "mico", "-o", "zero.ico", "a.jpg"});
    EXPECT_NE(r.Err.find("zero.ico: not a regular file"), std::string::npos) << r.Err;
    fs::rename(dir / "zero.ico", dir / "a.ico");
    r = RunConvert(dir, {"a.jpg"});
    EXPECT_NE(r.Err.find("a.ico: not a regular file"), std::string::npos) << r.Err;
    fs::remove(dir / "a.ico");
    r = RunConvert(dir, {"pipe.jpg", "a.jpg"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Cannot load picture pipe.jpg: not a regular file"), std::string::npos)
        << r.Err;
    EXPECT_TRUE(fs::is_regular_file(dir / "a.ico"));

    const std::string longName(251, 'n');
    fs::copy_file(dir / "a.jpg", dir / (longName + ".jpg"));
    fs::copy_file(dir / "a.jpg", dir / (std::string(251, 'm') + ".jpg"));
    r = RunConvert(dir, {"-j", "1", longName + ".jpg"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    r = RunConvert(dir, {"-j", "2", longName + ".jpg", std::string(251, 'm') + ".jpg"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_TRUE(fs::exists(dir / (longName + ".ico")));
    EXPECT_TRUE(fs::exists(dir / (std::string(251, 'm') + ".ico")));
    r = RunConvert(dir, {"-f", "mico", "-o", longName + ".ico", "a.jpg"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ProbeIco(dir / (longName + ".ico")).Count, 2);

    testutil::writeFile(dir / "all.ico.tmp", {7, 7});
    std::string both = "cd " + testutil::shellQuote(dir.string()) + "; ";
    std::string pictures;
    for (int i = 0; i < 6; ++i) {
        fs::copy_file(dir / "a.jpg", dir / ("c" + std::to_string(i) + ".jpg"));
        pictures += " c" + std::to_string(i) + ".jpg";
    }
    for (int run = 0; run < 2; ++run)
        both += testutil::shellQuote((testutil::binDir() / "tessaly-convert").string()) +
                " -q -f mico -o all.ico" + pictures + " & p" + std::to_string(run) + "=$!; ";
    EXPECT_EQ(testutil::runCommand(both + "wait $p0 && wait $p1").exitCode, 0);
    EXPECT_EQ(ProbeIco(dir / "all.ico").Count, 12);
    EXPECT_EQ(testutil::readFile(dir / "all.ico.tmp"), (std::vector<std::uint8_t>{7, 7}));
    EXPECT_TRUE(Entries(dir, true).empty());
}
