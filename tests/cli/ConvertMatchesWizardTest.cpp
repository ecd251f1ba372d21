// tessaly-convert must write exactly the files the wizard's automatic run writes with the
// same answers: both drive the same step engine and processing, here checked by running
// the engine as the wizard's pages would and comparing the files byte for byte.
#include "ConvertHarness.h"

#include "core/InputQueue.h"
#include "core/StepEngine.h"
#include "fakes/FakeWizardView.h"
#include "process/building/JobProcessor.h"
#include "process/building/OutputNaming.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

struct Answers {
    int Size = 32;
    int Bits = 8;
    int Masking = 1;
    int FormatItem = 0;
    QString Location; // empty: keep what the save page proposes
    bool Replace = true;
};

// One automatic run as a user makes it: the files given on the command line (which the
// wizard queues last to first), "From file", "Automatically", the preset answers, and on
// the save page the format, the location and the replace box.
void WizardRun(const QStringList& commandLine, const Answers& answers) {
    TJobState job;
    job.PresetIconSize = answers.Size;
    job.PresetIconBPP = answers.Bits;
    job.PresetSizing = TSizing::Scale;
    job.PresetMasking = static_cast<TMasking>(answers.Masking);
    TInputQueue(job.InputList).QueueAll(commandLine);

    FakeWizardView view(job);
    view.clipboardChosen = false;
    view.batchAutomatic = true;
    view.replace = answers.Replace;
    TJobProcessor processor(job, view);
    TStepEngine engine(job, view, processor);

    engine.NextButtonClick();
    if (job.Step == PageBatchMode) engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageSaving);
    // Choosing a format on the page prepares the output again for it.
    view.formatItem = answers.FormatItem;
    job.OutFormat = OutputFormatAt(answers.FormatItem).Format;
    processor.PrepareOutput();
    view.location = !answers.Location.isEmpty() ? answers.Location
                    : job.OutIsDirectory        ? job.OutDir
                                                : job.OutPath;
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageFinish) << view.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(view.messages.isEmpty()) << view.messages.join(QLatin1Char('\n')).toStdString();
}

class ConvertMatchesWizard : public ::testing::Test {
protected:
    void SetUp() override {
        in_ = tmp_.path() / "in";
        fs::create_directory(in_);
        Encode(Patterned(41, 23), in_ / "flat.bmp", "bmp24");
        Encode(Patterned(30, 30), in_ / "flat.gif", "gif");
        Picture lines(60, 50, White);
        for (int i = 0; i < 50; ++i)
            lines.At(i, i) = lines.At(59 - i, i) = Black;
        Encode(lines, in_ / "lines.bmp", "bmp1");
        Encode(Patterned(64, 48), in_ / "photo.jpg", "jpg");
        QStringList files;
        for (const char* name : {"flat.bmp", "flat.gif", "lines.bmp", "photo.jpg"})
            files << Q(in_ / name);
        // A two-image icon file, made by icotool from pictures.
        for (int size : {16, 48})
            Encode(Patterned(size, size), tmp_.path() / ("p" + std::to_string(size) + ".png"),
                   "png");
        if (testutil::haveProgram("icotool") &&
            testutil::runCommand("icotool -c -b 8 -o " +
                                 testutil::shellQuote((in_ / "tools.ico").string()) + " " +
                                 testutil::shellQuote((tmp_.path() / "p16.png").string()) + " " +
                                 testutil::shellQuote((tmp_.path() / "p48.png").string()))
                    .exitCode == 0)
            files << Q(in_ / "tools.ico");
        pictures_ = files;
    }

    // The converter's arguments for the same pictures in the same order.
    std::vector<std::string> PictureArgs() const {
        std::vector<std::string> args;
        for (const QString& p : pictures_)
            args.push_back(p.toStdString());
        return args;
    }
    QStringList WizardCommandLine() const {
        QStringList reversed;
        for (auto it = pictures_.crbegin(); it != pictures_.crend(); ++it)
            reversed << *it;
        return reversed;
    }

    testutil::TempDir tmp_;
    fs::path in_;
    QStringList pictures_;
};

} // namespace

TEST_F(ConvertMatchesWizard, IconsAndBitmapsInAFolder) {
    struct Case {
        const char* Format;
        int Item;
        int Size;
        int Bits;
        int Masking;
    };
    for (const Case c : {Case{"ico", 0, 32, 8, 1}, Case{"ico", 0, 16, 4, 0},
                         Case{"bmp", 2, 48, 4, 1}, Case{"bmp", 2, 16, 8, 0}}) {
        const fs::path cli = tmp_.path() / "cli";
        const fs::path wizard = tmp_.path() / "wizard";
        fs::remove_all(cli);
        fs::remove_all(wizard);
        fs::create_directory(cli);
        fs::create_directory(wizard);

        std::vector<std::string> args = {"-f", c.Format,
                                         "-s", std::to_string(c.Size),
                                         "-c", c.Bits == 4 ? "16" : "256",
                                         "-m", c.Masking ? "auto" : "none",
                                         "-o", cli.string()};
        for (const std::string& p : PictureArgs())
            args.push_back(p);
        const RunResult r = RunConvert(tmp_.path(), args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;

        ASSERT_NO_FATAL_FAILURE(
            WizardRun(WizardCommandLine(), {c.Size, c.Bits, c.Masking, c.Item, Q(wizard)}));
        const auto fromCli = testutil::Snapshot(cli);
        EXPECT_GE(fromCli.size(), 4u);
        EXPECT_EQ(fromCli, testutil::Snapshot(wizard))
            << c.Format << " " << c.Size << " " << c.Bits;
    }
}

TEST_F(ConvertMatchesWizard, OneMultiResourceIconAtTheProposedPlace) {
    const fs::path cli = tmp_.path() / "cli";
    const fs::path wizard = tmp_.path() / "wizard";
    fs::create_directory(cli);
    fs::create_directory(wizard);

    std::vector<std::string> args = {"-f", "mico", "-s", "48"};
    for (const std::string& p : PictureArgs())
        args.push_back(p);
    const RunResult r = RunConvert(cli, args);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;

    {
        const testutil::InFolder folder(wizard);
        WizardRun(WizardCommandLine(), {48, 8, 1, 1, QString()});
    }

    const auto fromCli = testutil::Snapshot(cli);
    ASSERT_EQ(fromCli.size(), 1u);
    EXPECT_EQ(fromCli.begin()->first, "flat.ico");
    EXPECT_EQ(fromCli, testutil::Snapshot(wizard));
}
