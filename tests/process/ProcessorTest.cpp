#include "process/building/JobProcessor.h"

#include "core/StepEngine.h"
#include "fakes/FakeWizardView.h"
#include "image/ColorRef.h"
#include "image/IconLib.h"
#include "image/SafeFile.h"
#include "process/loading/JpegLoader.h"
#include "utils/TestUtils.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// 0x00BBGGRR colours of a small picture with a different colour in every 3 x 3 cell.
std::uint32_t CellColour(int x, int y) {
    static const std::uint32_t colours[] = {0x003030E0, 0x0030E030, 0x00E03030, 0x0030E0E0};
    return colours[(x / 3 + 2 * (y / 3)) % 4];
}

// The same cells inside a frame `frame` pixels wide of another colour.
constexpr std::uint32_t kFrameColour = 0x00C0C0C0;
std::uint32_t FramedColour(int x, int y, int w, int h, int frame) {
    const bool inFrame = x < frame || y < frame || x >= w - frame || y >= h - frame;
    return inFrame ? kFrameColour : CellColour(x, y);
}

QImage CellPicture(int w, int h, int frame = 0) {
    QImage picture(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = FramedColour(x, y, w, h, frame);
            picture.setPixel(x, y, RgbOf(c));
        }
    return picture;
}

// The colour of icon pixel (x, y) through its palette.
std::uint32_t IconColour(TPxlMap& map, int x, int y) {
    return map.GetPaletteColor(map.GetPixel(x, y));
}

// A photo large enough for the large-picture memory, with detail on every row.
void WriteLargePhoto(const fs::path& file) {
    QImage photo(1600, 1200, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 1600, (x ^ y) & 255, y * 255 / 1200));
    ASSERT_TRUE(photo.save(Q(file), "JPEG", 90));
}

struct WizardRun {
    WizardRun() { View.batchAutomatic = true; }
    TJobState Job;
    FakeWizardView View{Job};
    TJobProcessor Processor{Job, View};
    TStepEngine Engine{Job, View, Processor};
};

} // namespace

TEST(PictureProcessor, AManualCropRunUsesTheSquareTheSizingStepPrepared) {
    testutil::TempDir dir;
    const QImage picture = CellPicture(40, 25);
    ASSERT_TRUE(picture.save(Q(dir / "cells.bmp"), "BMP"));
    WizardRun run;
    run.Job.InputList << Q(dir / "cells.bmp");
    run.View.batchAutomatic = false;
    run.Engine.NextButtonClick(); // one file: on to the resolution page
    ASSERT_EQ(run.Job.Step, PageResolution);
    run.View.sizeItem = 0;
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageSizing);
    run.View.crop = true;
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageMasking);
    EXPECT_EQ(run.Processor.CropState().CropLeft, 0);
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageSaving);
    run.View.location = Q(dir / "cut.icon.file");
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageFinish) << run.View.messages.join(' ').toStdString();

    TPxlMap color{};
    TPxlMap mask{};
    ASSERT_EQ(ReadIconImage(Q(dir / "cut.ico"), 0, color, mask), 1);
    ASSERT_EQ(color.GetWidth(), 16);
    // The square at the top-left corner holds picture pixels 0..14, stretched to 16.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(IconColour(color, x, y), CellColour(x * 15 / 16, y * 15 / 16))
                << x << "," << y;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(mask.GetPixel(x, y), 0);
    EXPECT_EQ(run.Processor.Tally().Loaded, 1);
    EXPECT_EQ(run.Job.Record.Saved, 1);
}

TEST(PictureProcessor, ClipboardPicturesGetTheFirstFreeClipboardName) {
    testutil::TempDir dir;
    testutil::writeFile(dir / "clipboard0.ico", {1});
    testutil::writeFile(dir / "clipboard1.ico", {1});
    WizardRun run;
    run.Job.InputList << QStringLiteral("/ignored/while/the/clipboard/is/chosen.bmp");
    run.Job.PresetMasking = TMasking::Auto;
    run.View.clipboardChosen = true;
    run.View.clipboardImage = CellPicture(32, 32, 2);
    run.Job.OutDir = Q(dir.path());
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageSaving);
    EXPECT_EQ(run.Job.OutPath, Q(dir / "clipboard2.ico"));
    run.View.location = run.Job.OutDir;
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageFinish);

    TPxlMap color{};
    TPxlMap mask{};
    ASSERT_EQ(ReadIconImage(Q(dir / "clipboard2.ico"), 0, color, mask), 1);
    // A picture of the icon's size is taken as it is; its frame is what the border samples
    // show, and became transparent black.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::uint32_t colour = FramedColour(x, y, 32, 32, 2);
            const bool background = colour == kFrameColour;
            ASSERT_EQ(mask.GetPixel(x, y), background ? 1 : 0) << x << "," << y;
            ASSERT_EQ(IconColour(color, x, y), background ? 0u : colour) << x << "," << y;
        }
    }
    EXPECT_EQ(testutil::readFile(dir / "clipboard0.ico"), std::vector<std::uint8_t>{1});
}

TEST(PictureProcessor, TallyCountsFailedLoadsKeptFilesAndFailedWrites) {
    testutil::TempDir dir;
    ASSERT_TRUE(CellPicture(20, 20).save(Q(dir / "a.bmp"), "BMP"));
    testutil::writeFile(dir / "broken.bmp", {'B', 'M', 0});
    fs::create_directory(dir / "out");
    testutil::writeFile(dir / "out" / "a.ico", {7});

    WizardRun run;
    run.Job.InputList << Q(dir / "broken.bmp") << Q(dir / "a.bmp");
    run.Engine.NextButtonClick(); // the batch page
    ASSERT_EQ(run.Job.Step, PageBatchMode);
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageSaving);
    // An automatic run does not stop for a failed picture: the run record lists it.
    EXPECT_TRUE(run.View.messages.isEmpty()) << run.View.messages.join('\n').toStdString();
    run.View.location = Q(dir / "out");
    run.View.replace = false;
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageFinish);
    EXPECT_EQ(run.Processor.Tally().LoadFailed, 1);
    EXPECT_EQ(run.Processor.Tally().Loaded, 1);
    EXPECT_EQ(run.Processor.Tally().KeptExisting, 1);
    EXPECT_EQ(run.Job.Record.Saved, 0);
    EXPECT_EQ(run.Processor.LastWrite(), TWriteResult::KeptExisting);
    EXPECT_EQ(testutil::readFile(dir / "out" / "a.ico"), std::vector<std::uint8_t>{7});
    EXPECT_EQ(run.Job.Record.Failures.size(), 1u);
    EXPECT_EQ(run.Job.Record.Kept, 1);
}

TEST(PictureProcessor, AFailedWriteReachesTheViewWithThePathAndIsCounted) {
    testutil::TempDir dir;
    ASSERT_TRUE(CellPicture(20, 20).save(Q(dir / "a.bmp"), "BMP"));
    WizardRun run;
    run.Job.InputList << Q(dir / "a.bmp");
    run.Engine.NextButtonClick();
    ASSERT_EQ(run.Job.Step, PageSaving);
    run.View.location = Q(dir / "a.bmp" / "sub");
    run.Engine.NextButtonClick();
    // The run stays on the save page and the message names the file and the reason.
    EXPECT_EQ(run.Job.Step, PageSaving);
    ASSERT_EQ(run.View.messages.size(), 1);
    EXPECT_TRUE(run.View.messages[0].contains(Q(dir / "a.bmp" / "sub" / "a.ico")))
        << run.View.messages[0].toStdString();
    EXPECT_TRUE(run.View.messages[0].contains(QStringLiteral("Not a directory")));
    EXPECT_EQ(run.Processor.Tally().WriteFailed, 1);

    // Saving again into a good folder finishes the run.
    run.View.location = Q(dir.path());
    run.Engine.NextButtonClick();
    EXPECT_EQ(run.Job.Step, PageFinish);
    EXPECT_EQ(run.Job.Record.Saved, 1);
    EXPECT_TRUE(fs::exists(dir / "a.ico"));
}

TEST(PictureProcessor, AScaleOnlyRunKeepsTheStretchRowsOfALargePhotoAndWritesTheSameIcon) {
    testutil::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(WriteLargePhoto(dir / "photo.jpg"));

    // Runs the whole automatic conversion into `folder`; returns the icon's bytes.
    auto convert = [&](bool scaleOnly, int presetSizing, const fs::path& folder,
                       std::int32_t* rowsFor, QImage* source) {
        fs::create_directories(folder);
        WizardRun run;
        run.Processor.SetScaleOnlyRun(scaleOnly);
        run.Job.PresetIconSize = 48;
        run.Job.PresetSizing = static_cast<TSizing>(presetSizing);
        run.Job.InputList << Q(dir / "photo.jpg");
        run.View.location = Q(folder);
        run.Engine.NextButtonClick();
        if (run.Job.Step == PageSaving) run.Engine.NextButtonClick();
        EXPECT_EQ(run.Job.Step, PageFinish) << run.View.messages.join(' ').toStdString();
        *rowsFor = run.Job.InputRowsFor;
        *source = run.Job.InputImage;
        return testutil::readFile(folder / "photo.ico");
    };
    std::int32_t rowsFor = -1;
    QImage source;
    const auto whole = convert(false, 0, dir / "whole", &rowsFor, &source);
    EXPECT_EQ(rowsFor, 0);
    const auto sampled = convert(true, 0, dir / "sampled", &rowsFor, &source);
    EXPECT_EQ(rowsFor, 48);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(sampled, whole);
    // Row 1 is not among those a stretch to 48 reads (0, 25, 50, ...): it was not kept.
    ASSERT_EQ(source.size(), QSize(1600, 1200));
    EXPECT_EQ(source.pixel(800, 1), qRgb(0, 0, 0));
    EXPECT_NE(source.pixel(800, 25), qRgb(0, 0, 0));

    // A run that crops needs every row: the picture is loaded whole.
    EXPECT_FALSE(convert(true, 1, dir / "cropped", &rowsFor, &source).empty());
    EXPECT_EQ(rowsFor, 0);
    EXPECT_NE(source.pixel(800, 1), qRgb(0, 0, 0));
}

TEST(PictureProcessor, AManualRunShowsALargePhotoFromItsPreviewRowsAndCropsTheWholePicture) {
    // The painter, drawing a picture unsmoothed onto a target, reads only rows PaintedRows
    // lists: each row here is coloured with its own number.
    for (const int height : {1200, 1201, 4000, 4097})
        for (const int target : {1, 21, 42, 64, 128}) {
            QImage numbered(1, height, QImage::Format_BGR888);
            for (int y = 0; y < height; ++y)
                numbered.setPixel(0, y, static_cast<QRgb>(y));
            QImage screen(3, 140, QImage::Format_RGB32);
            QPainter(&screen).drawImage(QRect(1, 7, 1, target), numbered);
            const std::vector<int> listed = PaintedRows(height, target);
            for (int j = 0; j < target; ++j)
                ASSERT_TRUE(std::binary_search(listed.begin(), listed.end(),
                                               static_cast<int>(screen.pixel(1, 7 + j) & 0xFFFFFF)))
                    << height << " onto " << target << ", row " << j;
        }

    testutil::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(WriteLargePhoto(dir / "photo.jpg"));
    const QImage whole = LoadJpegPicture(Q(dir / "photo.jpg"), MaxPicturePixels);

    // A manual run that crops at the top-left corner, with or without the preview's rows
    // first; gives the icon's bytes and the picture the resolution page had.
    auto convert = [&](bool previewFirst, const fs::path& folder, QImage* shown) {
        fs::create_directories(folder);
        WizardRun run;
        run.View.batchAutomatic = false;
        if (previewFirst) run.Processor.SetPreviewScale([] { return 1; });
        run.Job.InputList << Q(dir / "photo.jpg");
        run.Engine.NextButtonClick();
        EXPECT_EQ(run.Job.Step, PageResolution);
        *shown = run.Job.InputImage;
        run.Engine.NextButtonClick();
        EXPECT_EQ(run.Job.InputImage, whole) << "the sizing page has the whole picture";
        run.View.crop = true;
        run.Engine.NextButtonClick();
        run.Engine.NextButtonClick();
        run.View.location = Q(folder / "photo.ico");
        run.Engine.NextButtonClick();
        EXPECT_EQ(run.Job.Step, PageFinish) << run.View.messages.join(' ').toStdString();
        return testutil::readFile(folder / "photo.ico");
    };
    QImage shown;
    const auto before = convert(false, dir / "before", &shown);
    const auto after = convert(true, dir / "after", &shown);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(after, before);
    // The resolution page had the preview's rows only; row 1 came with the full decode.
    ASSERT_EQ(shown.size(), whole.size());
    EXPECT_EQ(shown.pixel(800, 1), qRgb(0, 0, 0));
}
