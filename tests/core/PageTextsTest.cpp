// The window's texts and preview sizes, worked out from the job alone.

#include "core/PageTexts.h"
#include "core/PagePreviews.h"

#include <gtest/gtest.h>

namespace {

TJobState JobOn(int step, int fileCount, int fileIndex, int subCount, int subIndex) {
    TJobState job;
    job.Step = static_cast<std::uint8_t>(step);
    job.InputList = {QStringLiteral("/p/one.bmp"), QStringLiteral("/p/two.ico"),
                     QStringLiteral("/p/three.gif")};
    job.FileCount = fileCount;
    job.FileIndex = fileIndex;
    job.SubCount = subCount;
    job.SubIndex = subIndex;
    job.SourceKind = TSourceKind::Bmp;
    return job;
}

TEST(PageTexts, TheSixTitleForms) {
    TJobState clip = JobOn(PageResolution, 1, 0, 1, 0);
    clip.SourceKind = TSourceKind::Clip;
    EXPECT_EQ(StepSummary(clip, true), "Resolution : Source = picture in clipboard");
    // A clipboard picture that failed to load names no queue entry.
    clip.SourceKind = TSourceKind::None;
    clip.InputList.clear();
    EXPECT_EQ(StepSummary(clip, true), "Resolution : Source = picture in clipboard");

    EXPECT_EQ(StepSummary(JobOn(PageSizing, 1, 0, 1, 0), false), "Sizing : Source = \"one.bmp\"");
    EXPECT_EQ(StepSummary(JobOn(PageMasking, 1, 0, 3, 1), false),
              "Masking : Source = \"one.bmp\" sub-icon (2/3)");
    TJobState automatic = JobOn(PageSaving, 3, 1, 1, 0);
    automatic.AutoMode = 1;
    EXPECT_EQ(StepSummary(automatic, false), "Saving : Source = multiple files");
    EXPECT_EQ(StepSummary(JobOn(PageMasking, 3, 1, 1, 0), false),
              "Masking : Source = \"two.ico\", remain 1 files");
    EXPECT_EQ(StepSummary(JobOn(PageResolution, 3, 1, 4, 3), false),
              "Resolution : Source = \"two.ico\" sub-icon (4/4), remain 1 files");
    EXPECT_EQ(StepSummary(JobOn(PageResolution, 3, 2, 1, 0), false),
              "Resolution : Source = \"three.gif\", remain 0 files");

    EXPECT_EQ(WindowTitle(JobOn(PageBatchMode, 3, 0, 1, 0), TTitleKind::Product, false),
              "Tessaly 3.5");
    EXPECT_EQ(NextCaption(PageSource), "&Next >");
    EXPECT_EQ(NextCaption(PageSaving), "Save");
    EXPECT_EQ(NextCaption(PageFinish), "Finish");
}

TEST(PageTexts, SavePageAndAddDialog) {
    TJobState job;
    job.OutDir = QStringLiteral("/out/");
    job.OutPath = QStringLiteral("/out/a.ico");
    EXPECT_EQ(LocationText(job), "/out/a.ico");
    job.OutIsDirectory = 1;
    EXPECT_EQ(LocationText(job), "/out/");
    EXPECT_EQ(LocationLabel(true), "Output &directory");
    EXPECT_EQ(LocationLabel(false), "Output file &name");
    EXPECT_EQ(FormatDescription(1), "Merge one or more pictures into one ICO file.");

    const QStringList filters = NameFilters(AddDialogFilter());
    EXPECT_EQ(filters,
              (QStringList{"Windows bitmap (*.bmp)", "JPEG (*.jpg *.jpeg)", "CompuServe GIF (*.gif)",
                           "Windows icon (*.ico)", "PNG (*.png)", "SVG (*.svg)",
                           "All supported formats (*.bmp *.jpg *.jpeg *.gif *.ico *.png *.svg)"}));
    EXPECT_EQ(AddDialogStartFilter(filters), filters.last());
}

// "All valid icons were successfully saved." only when a run saved one and was not stopped.
TEST(PageTexts, FinishPageSaysWhatTheRunDid) {
    TRunRecord record;
    record.Kept = 2;
    EXPECT_EQ(FinishHeadline(record), "No icon was saved.");
    EXPECT_EQ(FinishDetails(record), "2 existing files kept (Replace existing file was off).");
    record.Stopped = true;
    EXPECT_EQ(FinishHeadline(record), "Stopped before any icon was saved.");
    record.Saved = 1;
    EXPECT_EQ(FinishHeadline(record), "Stopped: 1 icon was saved.");
    record.Stopped = false;
    record.Places = QStringList{QStringLiteral("/x/all.ico")};
    EXPECT_EQ(FinishHeadline(record), "All valid icons were successfully saved.");
    EXPECT_TRUE(FinishDetails(record).startsWith("Saved in /x/all.ico\n"));
}

TEST(PagePreviews, SizesAndTheMaskedIcon) {
    EXPECT_EQ(ScalePreviewSize(10, 10), QSize(64, 64));
    EXPECT_EQ(ScalePreviewSize(1, 5000), QSize(0, 64));
    EXPECT_EQ(ScalePreviewSize(0, 0), QSize(0, 0));
    EXPECT_EQ(CropPreviewOffset(16), 24);
    EXPECT_EQ(CropPreviewOffset(48), 8);

    TJobState job;
    EXPECT_TRUE(LastPreviewPicture(job, Qt::gray).isNull());
    job.IconImage = QImage(2, 2, QImage::Format_Indexed8);
    job.IconImage.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    job.IconImage.fill(1);
    job.IconImage.setPixel(0, 0, 0);
    ASSERT_TRUE(job.MaskMap.NewImage(2, 2, 1));
    job.MaskMap.SetPixel(1, 1, 1);
    const QImage preview = LastPreviewPicture(job, QColor(1, 2, 3));
    EXPECT_EQ(preview.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(preview.pixel(1, 0), qRgb(200, 100, 0));
    EXPECT_EQ(preview.pixel(1, 1), qRgb(1, 2, 3)) << "a transparent pixel shows the background";
}

} // namespace
