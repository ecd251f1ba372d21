// Automatic runs: presets for every picture, one stop on the save page, then writing.

#include "EngineHarness.h"

#include <vector>

namespace {

const QString kA = QStringLiteral("/pics/a.jpg");
const QString kB = QStringLiteral("/pics/b.gif");
const QString kC = QStringLiteral("/pics/c.bmp");

class AutomaticRunTest : public EngineTest {
protected:
    void SetUp() override {
        job.PresetIconSize = 48;
        job.PresetIconBPP = 4;
        job.PresetSizing = TSizing::Crop;
        job.PresetMasking = TMasking::Auto;
        view.location = QStringLiteral("/out");
    }
    // From the source page to the first stop of an automatic run.
    void startAutomatic() {
        engine.NextButtonClick();
        ASSERT_EQ(job.Step, PageBatchMode);
        view.batchAutomatic = true;
        engine.NextButtonClick();
    }
};

TEST_F(AutomaticRunTest, ThreeFilesStopOnceOnTheSavePage) {
    queue({kA, kB, kC});
    startAutomatic();
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.FileIndex, 0);
    EXPECT_TRUE(job.SavePageShown);
    EXPECT_TRUE(job.OutIsDirectory) << "an automatic \"ICO\" run asks for a folder";
    EXPECT_EQ(job.IconSize, 48);
    EXPECT_EQ(job.IconBPP, 4);
    EXPECT_EQ(job.Sizing, TSizing::Crop);

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(view.pagesShown, (std::vector<int>{PageBatchMode, PageSaving, PageFinish}));
    EXPECT_EQ(processor.writes, (QStringList{kA + "#1", kB + "#1", kC + "#1"}));
    EXPECT_EQ(job.OutDir, QStringLiteral("/out")) << "the typed folder is taken over";
    EXPECT_EQ(processor.autoMaskCount, 3);
    EXPECT_EQ(view.progressMin, 0);
    EXPECT_EQ(view.progressMax, 2);
    EXPECT_EQ(view.progressPositions, (std::vector<int>{0, 1, 2}));

    engine.NextButtonClick(); // Finish
    EXPECT_TRUE(engine.Closed());
}

TEST_F(AutomaticRunTest, FirstFileFailingMovesTheSavePageToTheSecond) {
    processor.pictures[kA] = FakePicture{40, 40, 1, false};
    queue({kA, kB, kC});
    startAutomatic();

    EXPECT_EQ(view.messages, QStringList{"Picture error: Cannot load picture " + kA});
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.FileIndex, 1);
    EXPECT_TRUE(processor.writes.isEmpty());

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(processor.writes, (QStringList{kB + "#1", kC + "#1"}));
    EXPECT_EQ(std::count(view.pagesShown.begin(), view.pagesShown.end(), PageSaving), 1);
}

TEST_F(AutomaticRunTest, BackFromTheSavePageLandsOnTheBatchPage) {
    queue({kA, kB, kC});
    startAutomatic();
    ASSERT_EQ(job.Step, PageSaving);
    const int loadsBefore = processor.loadCount;
    const int masksBefore = processor.autoMaskCount;

    engine.BackButtonClick();
    EXPECT_EQ(job.Step, PageBatchMode);
    EXPECT_FALSE(job.SavePageShown);
    EXPECT_EQ(processor.loadCount, loadsBefore + 1) << "going back reloads the picture";
    EXPECT_EQ(processor.autoMaskCount, masksBefore) << "going back never leaves the masking step";

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageSaving) << "the save page is asked for again";
    EXPECT_TRUE(job.SavePageShown);
}

TEST_F(AutomaticRunTest, SingleSourceRunsAutomaticallyWhenChosenEarlier) {
    queue({kA, kB});
    startAutomatic();
    engine.BackButtonClick();
    ASSERT_EQ(job.Step, PageBatchMode);
    engine.BackButtonClick();
    ASSERT_EQ(job.Step, PageSource);

    queue({kA});
    engine.NextButtonClick();
    EXPECT_TRUE(job.AutoMode) << "leaving the passed batch page still reads its choice";
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.IconSize, 48);

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(processor.writes, QStringList{kA + "#1"});
}

TEST_F(AutomaticRunTest, MultiResourceRunAsksForAFileName) {
    queue({kA, kB});
    view.formatItem = 1;
    job.OutFormat = TOutFormat::Mico;
    startAutomatic();
    ASSERT_EQ(job.Step, PageSaving);
    EXPECT_FALSE(job.OutIsDirectory);

    view.location = QStringLiteral("/out/all.ico");
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(job.OutFormat, TOutFormat::Mico);
    EXPECT_EQ(job.OutPath, QStringLiteral("/out/all.ico"));
    EXPECT_EQ(job.OutDir, QStringLiteral("/out/"));
    EXPECT_EQ(processor.writes.size(), 2);
}

TEST_F(AutomaticRunTest, ButtonsStayOffWhileThePicturesAreWritten) {
    queue({kA, kB, kC});
    startAutomatic();
    std::vector<bool> buttonsBetweenSteps;
    view.onProcessEvents = [&] { buttonsBetweenSteps.push_back(view.buttonsEnabled); };
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageFinish);
    ASSERT_GT(buttonsBetweenSteps.size(), 3U);
    for (std::size_t i = 0; i < buttonsBetweenSteps.size(); ++i)
        EXPECT_FALSE(buttonsBetweenSteps[i]) << "between steps " << i;
    EXPECT_TRUE(view.buttonsEnabled) << "the finish page gets its buttons back";
}

} // namespace
