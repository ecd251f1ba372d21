// When the system runs short: of file handles (the reason is named, and the toolkit
// prints nothing of its own), of memory on a worker thread (the run does the picture again
// alone, so any job count converts what one thread converts), and of room for the list
// of written files (the run fails).
#include "HardeningSupport.h"

#include "cli/ConvertRun.h"
#include "fakes/FakeWizardView.h"
#include "process/building/PicturePipeline.h"
#include "process/loading/PictureLoader.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int toolkitLines = 0;

void CountToolkitLines(QtMsgType, const QMessageLogContext&, const QString&) {
    ++toolkitLines;
}

} // namespace

TEST(ResourceLimit, NoFileHandleLeftIsNamedAndTheToolkitStaysQuiet) {
#ifdef TESSALY_SANITIZED_BUILD
    // The undefined-behaviour checker opens a pipe to look at an object's type, which it
    // cannot with no handle left: it would report the loader's own objects as broken.
    GTEST_SKIP() << "needs file handles of the sanitizers' own";
#endif
    testutil::TempDir dir;
    hardening::WritePicture(dir / "a.bmp");
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit low = before;
    low.rlim_cur = std::min<rlim_t>(before.rlim_cur, 256);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;)
        taken.push_back(fd);
    const QtMessageHandler previous = qInstallMessageHandler(CountToolkitLines);
    TJobState job;
    job.InputList = {Q(dir / "a.bmp")};
    FakeWizardView view;
    TLoadFailure failure;
    const bool loaded = LoadPictureQuietly(job, view, view, 0, &failure);
    qInstallMessageHandler(previous);
    for (const int fd : taken)
        ::close(fd);
    setrlimit(RLIMIT_NOFILE, &before);

    EXPECT_FALSE(loaded);
    EXPECT_TRUE(failure.Reason.contains(QLatin1String("Too many open files")))
        << failure.Reason.toStdString();
    EXPECT_TRUE(failure.LackOfResources);
    EXPECT_EQ(toolkitLines, 0);
}

TEST(ResourceLimit, APictureWithoutMemoryOnAWorkerIsDoneAgainAlone) {
    testutil::TempDir dir;
    for (const char* name : {"a", "b", "c"}) {
        hardening::WritePicture(dir / (std::string(name) + ".bmp"));
        fs::create_directory(dir / name);
    }
    const auto run = [&](const char* jobs, const char* folder) {
        return hardening::Convert({"-j", jobs, "-o", (dir / folder).string(),
                                   (dir / "a.bmp").string(), (dir / "b.bmp").string(),
                                   (dir / "c.bmp").string()});
    };
    const auto previous = TPicturePipeline::SetPrepareHook([](std::int32_t file) {
        if (file == 1) throw std::bad_alloc();
    });
    const hardening::ConvertResult parallel = run("3", "a");
    TPicturePipeline::SetPrepareHook(previous);
    EXPECT_EQ(parallel.ExitCode, 0) << parallel.Err;
    EXPECT_EQ(parallel.Err, "");
    ASSERT_EQ(run("1", "b").ExitCode, 0);
    EXPECT_EQ(hardening::Snapshot(dir / "a"), hardening::Snapshot(dir / "b"));
}

TEST(ResourceLimit, AListThatCannotBeWrittenFailsTheRun) {
    testutil::TempDir dir;
    hardening::WritePicture(dir / "a.bmp");
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(
        ConvertMain({QStringLiteral("-o"), Q(dir.path()), Q(dir / "a.bmp")}, full, err, false),
        ExitWriteFailed);
    std::fclose(full);
    std::fclose(err);
}
