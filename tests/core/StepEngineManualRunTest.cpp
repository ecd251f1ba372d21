// Manual runs: which pages stop, which pass, and what the pages' answers become.

#include "EngineHarness.h"

#include <vector>

namespace {

const QString kA = QStringLiteral("/pics/a.bmp");
const QString kB = QStringLiteral("/pics/b.bmp");
const QString kTools = QStringLiteral("/pics/tools.ico");

class ManualRunTest : public EngineTest {};

TEST_F(ManualRunTest, OneQueuedFileSkipsTheBatchPageBothWays) {
    queue({kA});
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageResolution);
    EXPECT_EQ(job.FileCount, 1);
    EXPECT_EQ(view.pagesShown, std::vector<int>{PageResolution});

    engine.BackButtonClick();
    EXPECT_EQ(job.Step, PageSource);
    EXPECT_EQ(view.pagesShown, (std::vector<int>{PageResolution, PageSource}));

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageResolution);
    EXPECT_EQ(processor.loadCount, 2) << "entering the resolution step loads the picture";
}

TEST_F(ManualRunTest, OnePictureStopsOnEveryPageAndIsWrittenOnce) {
    queue({kA});
    view.sizeItem = 2;
    view.colorItem = 0;
    view.location = QStringLiteral("/out/a.ico");
    nextToEnd();

    EXPECT_EQ(view.pagesShown,
              (std::vector<int>{PageResolution, PageSizing, PageMasking, PageSaving, PageFinish}));
    EXPECT_EQ(processor.writes, QStringList{kA + "#1"});
    EXPECT_EQ(job.IconSize, 48);
    EXPECT_EQ(job.IconBPP, 4);
    EXPECT_FALSE(job.AutoMode);
    EXPECT_EQ(view.closeCount, 1);
    EXPECT_EQ(processor.autoMaskCount, 0) << "a manual run leaves the mask to the user";
}

TEST_F(ManualRunTest, ResolutionItemsGiveSizeAndDepth) {
    struct Case {
        int sizeItem, colorItem, size, depth;
    };
    for (const Case c : {Case{0, 0, 16, 4}, Case{1, 1, 32, 8}, Case{2, 1, 48, 8}}) {
        TJobState fresh;
        FakeWizardView v(fresh);
        FakePictureProcessor p(fresh, v);
        TStepEngine e(fresh, v, p);
        fresh.InputList = {kA};
        v.sizeItem = c.sizeItem;
        v.colorItem = c.colorItem;
        e.NextButtonClick();
        e.NextButtonClick();
        EXPECT_EQ(fresh.IconSize, c.size) << "size item " << c.sizeItem;
        EXPECT_EQ(fresh.IconBPP, c.depth) << "colour item " << c.colorItem;
    }
}

TEST_F(ManualRunTest, ClipboardSourceConvertsOnePictureWhateverIsQueued) {
    queue({kA, kB, kTools});
    view.clipboardChosen = true;
    nextToEnd();

    EXPECT_EQ(job.FileCount, 1);
    EXPECT_EQ(job.SourceKind, TSourceKind::Clip);
    EXPECT_EQ(processor.writes, QStringList{"clipboard#1"});
    EXPECT_EQ(job.InputList.size(), 3) << "the queue stays for later";
    EXPECT_EQ(view.pagesShown.front(), PageResolution) << "one source: no batch page";
}

TEST_F(ManualRunTest, PictureThatFitsPassesTheSizingPageAndScales) {
    processor.pictures[kA] = FakePicture{32, 32, 1, true};
    queue({kA});
    view.crop = true;
    engine.NextButtonClick();
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageMasking);
    EXPECT_EQ(job.Sizing, TSizing::Scale) << "a picture that fits is never cropped";
    EXPECT_EQ(view.pagesShown, (std::vector<int>{PageResolution, PageMasking}));
}

TEST_F(ManualRunTest, SamePictureAtAnotherSizeStopsForScaleOrCrop) {
    processor.pictures[kA] = FakePicture{32, 32, 1, true};
    queue({kA});
    view.crop = true;
    view.sizeItem = 2;
    engine.NextButtonClick();
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageSizing);
    engine.NextButtonClick();
    EXPECT_EQ(job.Sizing, TSizing::Crop);
}

TEST_F(ManualRunTest, IconFileImagesComeBeforeTheNextFile) {
    processor.pictures[kTools] = FakePicture{48, 48, 3, true};
    queue({kTools, kB});
    nextToEnd(60);

    EXPECT_EQ(processor.writes,
              (QStringList{kTools + "#1", kTools + "#2", kTools + "#3", kB + "#1"}));
    QStringList loads = view.events.filter(QStringLiteral("LoadPicture"));
    EXPECT_EQ(loads, (QStringList{"LoadPicture 0.0", "LoadPicture 0.1", "LoadPicture 0.2",
                                  "LoadPicture 1.0"}))
        << "SubIndex returns to 0 when the file changes";
    EXPECT_EQ(view.pagesShown.front(), PageBatchMode) << "two files: the batch page stops once";
    EXPECT_EQ(std::count(view.pagesShown.begin(), view.pagesShown.end(), PageBatchMode), 1);
    EXPECT_EQ(std::count(view.pagesShown.begin(), view.pagesShown.end(), PageSaving), 4);
}

TEST_F(ManualRunTest, PictureThatFailsShowsOnlyItsResolutionPageAndIsSkipped) {
    processor.pictures[kA] = FakePicture{40, 40, 1, false};
    queue({kA, kB});
    engine.NextButtonClick(); // batch page
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageResolution);
    EXPECT_EQ(job.SourceKind, TSourceKind::None);
    EXPECT_EQ(view.messages, QStringList{"Picture error: Cannot load picture " + kA});

    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageResolution) << "crop, build and save pass for a failed picture";
    EXPECT_EQ(job.FileIndex, 1);
    EXPECT_TRUE(processor.writes.isEmpty());

    nextToEnd();
    EXPECT_EQ(processor.writes, QStringList{kB + "#1"});
}

TEST_F(ManualRunTest, PresetResolutionAlsoPassesTheSizingPage) {
    job.FixResolution = true;
    job.FixSizing = false;
    job.PresetIconSize = 16;
    job.PresetIconBPP = 4;
    job.PresetSizing = TSizing::Scale;
    view.crop = true;
    queue({kA});
    engine.NextButtonClick();

    EXPECT_EQ(job.Step, PageMasking);
    EXPECT_EQ(view.pagesShown, std::vector<int>{PageMasking});
    EXPECT_EQ(job.IconSize, 16);
    EXPECT_EQ(job.IconBPP, 4);
    EXPECT_EQ(job.Sizing, TSizing::Crop) << "the passed page's own choice holds, not the preset";
    EXPECT_TRUE(view.events.contains(QStringLiteral("PrepareCrop")));
}

TEST_F(ManualRunTest, PresetMaskingPassesTheMaskingPageAndMasksAsPreset) {
    job.FixMasking = true;
    job.PresetMasking = TMasking::Auto;
    queue({kA});
    engine.NextButtonClick(); // resolution
    engine.NextButtonClick(); // sizing
    engine.NextButtonClick();
    EXPECT_EQ(job.Step, PageSaving);
    EXPECT_EQ(job.Masking, TMasking::Auto);
    EXPECT_EQ(processor.autoMaskCount, 1);

    TJobState other;
    FakeWizardView v(other);
    FakePictureProcessor p(other, v);
    TStepEngine e(other, v, p);
    other.FixMasking = true;
    other.PresetMasking = TMasking::None;
    other.InputList = {kA};
    for (int i = 0; i < 3; ++i)
        e.NextButtonClick();
    EXPECT_EQ(other.Step, PageSaving);
    EXPECT_EQ(other.Masking, TMasking::None);
    EXPECT_EQ(p.autoMaskCount, 0);
}

} // namespace
