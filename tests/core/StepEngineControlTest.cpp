// The buttons themselves: the Save sequence, Back limits, Cancel, input held during a
// loop, and the window left usable after a step fails.

#include "EngineHarness.h"
#include "reduce/GraphicErrors.h"

#include <stdexcept>
#include <vector>

namespace {

const QString kA = QStringLiteral("/pics/a.bmp");
const QString kB = QStringLiteral("/pics/b.bmp");
const QString kC = QStringLiteral("/pics/c.bmp");
const QString kCaption = QStringLiteral("Vantrel Tessaly 3.5: ");

class ControlTest : public EngineTest {
protected:
    // Manual run of the queue up to the first save page.
    void toSavePage() {
        for (int i = 0; i < 10 && job.Step != PageSaving; ++i)
            engine.NextButtonClick();
        ASSERT_EQ(job.Step, PageSaving);
    }
};

TEST_F(ControlTest, SaveTakesTheAnswersThenPreparesThenLocksThenWrites) {
    queue({kA});
    toSavePage();
    view.events.clear();
    view.formatItem = 2;
    view.location = QStringLiteral("/out/x.y.bmp");
    view.replace = false;
    engine.NextButtonClick();

    EXPECT_EQ(view.events, (QStringList{"OutFormatItem?", "OutLocationText?", "PrepareOutput",
                                        "SaveControls on", "Progress hidden", "Buttons off",
                                        "SaveControls off", "ProgressPosition 0", "Progress shown",
                                        "ReplaceChecked?", "WriteOutput keep", "ShowPage 6"}));
    EXPECT_EQ(job.OutFormat, TOutFormat::Bmp);
    EXPECT_EQ(job.OutPath, QStringLiteral("/out/x.y.bmp"));
    EXPECT_EQ(job.OutDir, QStringLiteral("/out/"));
}

TEST_F(ControlTest, TypedNameWithoutFolderLeavesTheFolderEmpty) {
    queue({kA});
    toSavePage();
    job.OutDir = QStringLiteral("/old/");
    view.location = QStringLiteral("name.ico");
    engine.NextButtonClick();
    EXPECT_EQ(job.OutPath, QStringLiteral("name.ico"));
    EXPECT_TRUE(job.OutDir.isEmpty());
}

TEST_F(ControlTest, BackIsInertOnceAPictureWasSaved) {
    queue({kA, kB});
    toSavePage();
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageResolution);
    ASSERT_EQ(job.FileIndex, 1);
    EXPECT_FALSE(engine.CanGoBack());
    const int loads = processor.loadCount;

    engine.BackButtonClick();
    EXPECT_EQ(job.Step, PageResolution);
    EXPECT_EQ(job.FileIndex, 1);
    EXPECT_EQ(processor.loadCount, loads) << "nothing is entered again";
    EXPECT_EQ(view.lastPage(), PageResolution);
}

TEST_F(ControlTest, BackIsInertOnTheSecondImageOfAnIconFile) {
    processor.pictures[kA] = FakePicture{32, 32, 2, true};
    queue({kA});
    toSavePage();
    engine.NextButtonClick();
    ASSERT_EQ(job.SubIndex, 1);
    engine.BackButtonClick();
    EXPECT_EQ(job.Step, PageResolution);
    EXPECT_EQ(job.SubIndex, 1);
}

TEST_F(ControlTest, BackWalksThroughEveryManualPage) {
    queue({kA, kB});
    toSavePage();
    std::vector<int> steps;
    for (int i = 0; i < 6; ++i) {
        engine.BackButtonClick();
        steps.push_back(job.Step);
        EXPECT_EQ(engine.CanGoBack(), job.Step != PageSource);
    }
    EXPECT_EQ(steps, (std::vector<int>{PageMasking, PageSizing, PageResolution, PageBatchMode,
                                       PageSource, PageSource}));
}

TEST_F(ControlTest, CancelEndsTheRunWithNothingWritten) {
    queue({kA, kB});
    toSavePage();
    engine.CancelButtonClick();
    EXPECT_TRUE(engine.Closed());
    EXPECT_EQ(view.closeCount, 1);

    const auto pages = view.pagesShown;
    engine.NextButtonClick();
    engine.BackButtonClick();
    engine.CancelButtonClick();
    EXPECT_TRUE(processor.writes.isEmpty());
    EXPECT_EQ(view.pagesShown, pages) << "a closed wizard does nothing more";
    EXPECT_EQ(view.closeCount, 1);
}

TEST_F(ControlTest, EmptyQueueStaysOnTheSourcePage) {
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageSource);
    EXPECT_EQ(processor.loadCount, 0);
    EXPECT_EQ(view.lastPage(), PageSource);
}

TEST_F(ControlTest, LoopShowsTheHourglassAndLetsEventsThroughBetweenSteps) {
    queue({kA});
    engine.NextButtonClick(); // source -> batch (passed) -> resolution
    EXPECT_EQ(view.processEventsCount, 2);
    EXPECT_EQ(processor.busyAtLoad, std::vector<bool>{true});
    EXPECT_FALSE(view.busyCursor);

    engine.BackButtonClick(); // resolution -> batch (passed) -> source
    EXPECT_EQ(view.processEventsCount, 4);
    EXPECT_FALSE(view.busyCursor);
}

TEST_F(ControlTest, ClicksDuringALoopAreIgnored) {
    queue({kA, kB, kC});
    view.location = QStringLiteral("/out");
    engine.NextButtonClick();
    view.batchAutomatic = true;
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageSaving);

    int calls = 0;
    view.onProcessEvents = [&] {
        ++calls;
        EXPECT_TRUE(view.inputHeld);
        EXPECT_TRUE(engine.Busy());
        EXPECT_FALSE(engine.AcceptsDroppedFiles());
        engine.NextButtonClick();
        engine.BackButtonClick();
    };
    view.onShowPage = [&] { engine.NextButtonClick(); };
    engine.NextButtonClick();

    EXPECT_GT(calls, 3);
    EXPECT_FALSE(engine.Closed());
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(processor.writes, (QStringList{kA + "#1", kB + "#1", kC + "#1"}));
    EXPECT_EQ(view.pagesShown.back(), PageFinish);
    EXPECT_EQ(std::count(view.pagesShown.begin(), view.pagesShown.end(), PageFinish), 1);
    EXPECT_FALSE(view.inputHeld);
    EXPECT_FALSE(engine.Busy());
}

// The close box in the automatic part stops it after the picture in hand (b is loaded, not
// written; c is not started), then closes the window.
TEST_F(ControlTest, CloseBoxStopsTheAutomaticPartThenCloses) {
    queue({kA, kB, kC});
    view.location = QStringLiteral("/out");
    engine.NextButtonClick();
    view.batchAutomatic = true;
    engine.NextButtonClick();
    view.onProcessEvents = [&] {
        if (job.FileIndex == 1) engine.CloseRequested();
    };
    engine.NextButtonClick();
    EXPECT_EQ(processor.writes, QStringList{kA + "#1"});
    EXPECT_EQ(processor.loadCount, 2);
    EXPECT_TRUE(job.Record.Stopped);
    EXPECT_TRUE(engine.Closed());
}

TEST_F(ControlTest, DroppedFilesOnlyOnTheSourcePage) {
    EXPECT_TRUE(engine.AcceptsDroppedFiles());
    queue({kA});
    engine.NextButtonClick();
    EXPECT_FALSE(engine.AcceptsDroppedFiles());
    engine.BackButtonClick();
    EXPECT_TRUE(engine.AcceptsDroppedFiles());
    engine.CancelButtonClick();
    EXPECT_FALSE(engine.AcceptsDroppedFiles());
}

TEST_F(ControlTest, FailedWriteLeavesTheSavePageUsable) {
    queue({kA});
    toSavePage();
    processor.failWriteOf = kA + "#1";
    processor.failWriteText = "Icon file is not valid";
    engine.NextButtonClick();

    EXPECT_EQ(view.messages, QStringList{kCaption + "Icon file is not valid"});
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(view.lastPage(), PageSaving);
    EXPECT_FALSE(view.busyCursor);
    EXPECT_FALSE(view.inputHeld);
    EXPECT_FALSE(engine.Busy());
    EXPECT_TRUE(view.buttonsEnabled);
    EXPECT_TRUE(view.saveControlsEnabled);
    EXPECT_FALSE(view.progressVisible);
    EXPECT_TRUE(processor.writes.isEmpty());

    engine.NextButtonClick(); // Save again
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(processor.writes, QStringList{kA + "#1"});
}

TEST_F(ControlTest, FailedWriteStopsAnAutomaticRunOnThatPicture) {
    queue({kA, kB, kC});
    view.location = QStringLiteral("/out");
    engine.NextButtonClick();
    view.batchAutomatic = true;
    engine.NextButtonClick();
    processor.failWriteOf = kB + "#1";
    processor.failWriteText = "disk full";
    engine.NextButtonClick();

    EXPECT_EQ(view.messages, QStringList{kCaption + "disk full"});
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.FileIndex, 1);
    EXPECT_EQ(view.lastPage(), PageSaving);
    EXPECT_TRUE(view.saveControlsEnabled);
    EXPECT_EQ(processor.writes, QStringList{kA + "#1"});

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageFinish);
    EXPECT_EQ(processor.writes, (QStringList{kA + "#1", kB + "#1", kC + "#1"}));
}

TEST_F(ControlTest, FailedBuildShowsTheErrorOnTheMaskingPage) {
    queue({kA});
    engine.NextButtonClick();
    engine.NextButtonClick();
    ASSERT_EQ(job.Step, PageSizing);
    processor.beforeBuild = [] { throw EInvalidGraphic("Bitmap is not valid"); };
    engine.NextButtonClick();

    EXPECT_EQ(view.messages, QStringList{kCaption + "Bitmap is not valid"});
    EXPECT_EQ(job.Step, PageMasking);
    EXPECT_EQ(view.lastPage(), PageMasking);
    EXPECT_FALSE(view.busyCursor);
    EXPECT_TRUE(view.buttonsEnabled);

    processor.beforeBuild = [] { throw 42; };
    engine.BackButtonClick(); // back to sizing, no build
    engine.NextButtonClick();
    EXPECT_EQ(view.messages.last(), kCaption + "Unknown error");
}

TEST_F(ControlTest, AdvanceSourceGoesThroughImagesThenFiles) {
    job.FileCount = 2;
    job.SubCount = 3;
    std::vector<std::pair<int, int>> seen;
    while (engine.AdvanceSource()) {
        seen.emplace_back(job.FileIndex, job.SubIndex);
        if (job.FileIndex == 1) job.SubCount = 1;
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 0}}));
    EXPECT_EQ(job.FileIndex, 1);
    EXPECT_EQ(job.SubIndex, 0);

    job.FileIndex = 0;
    job.SubIndex = 2;
    job.SubCount = 0; // a failed load
    EXPECT_TRUE(engine.AdvanceSource());
    EXPECT_EQ(job.SubIndex, 0);
    EXPECT_EQ(job.FileIndex, 1);
}

} // namespace
