// What the window and its pages show, worked out from the job alone.

#include "core/PageStates.h"

#include <gtest/gtest.h>

namespace {

TEST(PageStates, TheWindowAroundEachPage) {
    const TTitleKind product = TTitleKind::Product, summary = TTitleKind::StepSummary;
    struct Row {
        WizardPage Page;
        const char* Next;
        bool Cancel, Drops, SidePicture;
        TTitleKind Title;
    };
    for (const Row& row : {Row{PageSource, "&Next >", true, true, true, product},
                           Row{PageBatchMode, "&Next >", true, false, true, product},
                           Row{PageResolution, "&Next >", true, false, true, summary},
                           Row{PageSizing, "&Next >", true, false, true, summary},
                           Row{PageMasking, "&Next >", true, false, false, summary},
                           Row{PageSaving, "Save", true, false, true, summary},
                           Row{PageFinish, "Finish", false, false, true, product}}) {
        TJobState job;
        job.Step = row.Page;
        const TWindowState state = WindowState(job, true);
        EXPECT_TRUE(state.Page == row.Page && state.NextCaption == row.Next && state.BackEnabled &&
                    state.CancelEnabled == row.Cancel && state.AcceptsDrops == row.Drops &&
                    state.SidePictureVisible == row.SidePicture && state.Title == row.Title)
            << row.Page;
    }
}

// A picture of a manual run that failed to load offers no choice, no preview and no Back;
// an automatic run shows no preview but keeps its choices.
TEST(PageStates, ResolutionPageByRunAndPicture) {
    TJobState job;
    job.Step = PageResolution;
    job.InputImage = QImage(200, 100, QImage::Format_RGB32);
    TResolutionPageState state = ResolutionPageState(job);
    EXPECT_TRUE(state.ChoicesEnabled && state.PreviewVisible && state.Preview == job.InputImage);
    EXPECT_EQ(state.PreviewPlace, QRect(0, 16, 64, 32));

    job.SourceKind = TSourceKind::None;
    job.AutoMode = true;
    state = ResolutionPageState(job);
    EXPECT_TRUE(state.ChoicesEnabled && !state.PreviewVisible &&
                WindowState(job, true).BackEnabled);
    job.AutoMode = false;
    state = ResolutionPageState(job);
    EXPECT_FALSE(state.ChoicesEnabled || state.PreviewVisible ||
                 WindowState(job, true).BackEnabled);
}

TEST(PageStates, SizingAndSavingPages) {
    TJobState job;
    job.IconSize = 16;
    job.InputImage = QImage(40, 20, QImage::Format_RGB32);
    const QImage cropped(16, 16, QImage::Format_RGB32);
    const TSizingPageState scale = SizingPageState(job, false, cropped);
    EXPECT_TRUE(!scale.CropOptionEnabled && scale.PreviewStretched &&
                scale.Preview == job.InputImage);
    const TSizingPageState crop = SizingPageState(job, true, cropped);
    EXPECT_TRUE(crop.CropOptionEnabled && !crop.PreviewStretched && crop.Preview == cropped);
    EXPECT_EQ(crop.PreviewPlace, QRect(24, 24, 16, 16));

    job.OutDir = QStringLiteral("/out/");
    job.OutPath = QStringLiteral("/out/a.ico");
    job.IconImage = QImage(16, 16, QImage::Format_RGB32);
    TSavingPageState save = SavingPageState(job, 1, false, Qt::gray);
    EXPECT_EQ(save.Description, "Merge one or more pictures into one ICO file.");
    EXPECT_EQ(save.LocationLabel + " " + save.Location, "Output file &name /out/a.ico");
    EXPECT_TRUE(!save.ReplaceVisible && save.Preview.size() == QSize(16, 16));
    job.OutIsDirectory = job.AutoMode = true;
    save = SavingPageState(job, 0, true, Qt::gray);
    EXPECT_EQ(save.LocationLabel + " " + save.Location, "Output &directory /out/");
    EXPECT_TRUE(save.ReplaceVisible && save.Preview.isNull()) << "no preview in an automatic run";
}

} // namespace
