#include "process/pages/MaskEdit.h"

#include <gtest/gtest.h>

namespace {

// A 32 x 32 icon in a 242-pixel view: colour index (x / 8) for every pixel, so columns
// 0..7 carry index 0, 8..15 index 1 and so on; the mask is empty.
TJobState maskJob() {
    TJobState job;
    job.SourceKind = TSourceKind::Bmp;
    job.IconSize = 32;
    job.MaskViewWidth = 242;
    job.IconMap.NewImage(32, 32, 8);
    job.MaskMap.NewImage(32, 32, 1);
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 32; ++y) {
            job.IconMap.SetPixel(x, y, static_cast<std::uint8_t>(x / 8));
            job.MaskMap.SetPixel(x, y, 0);
        }
    return job;
}

int masked(TJobState& job) {
    int count = 0;
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 32; ++y)
            count += job.MaskMap.GetPixel(x, y);
    return count;
}

} // namespace

TEST(MaskEditTest, ViewPositionsTruncateTowardZero) {
    EXPECT_EQ(ViewToIcon(241, 32, 242), 31);
    EXPECT_EQ(ViewToIcon(7, 32, 242), 0);
    EXPECT_EQ(ViewToIcon(8, 32, 242), 1);
    EXPECT_EQ(ViewToIcon(-7, 32, 242), 0); // less than one cell out still gives column 0
    EXPECT_EQ(ViewToIcon(-8, 32, 242), -1);
    EXPECT_EQ(ViewToIcon(242, 32, 242), 32);
    EXPECT_EQ(ViewToIcon(120, 16, 242), 7);
    EXPECT_EQ(ViewToIcon(241, 48, 242), 47);
    EXPECT_EQ(ViewToIcon(100, 32, 0), -1); // no view yet: outside
}

TEST(MaskEditTest, ByColourMarksEveryPixelOfTheClickedIndex) {
    TJobState job = maskJob();
    job.IconMap.SetPixel(30, 30, 1); // far from the others, same index
    EXPECT_EQ(MaskMouseDown(job, TMaskTool::ByColor, TMouseButton::Right, 70, 3).What,
              TMaskRedraw::Whole);
    EXPECT_EQ(masked(job), 8 * 32 + 1);
    EXPECT_EQ(job.MaskMap.GetPixel(30, 30), 1);
    EXPECT_EQ(job.MaskMap.GetPixel(7, 0), 0);
    EXPECT_EQ(job.MaskMap.GetPixel(16, 0), 0);
    EXPECT_FALSE(job.LeftDrawing || job.RightDrawing);
}

TEST(MaskEditTest, ByColourOnBlackAlsoTakesPixelsAlreadyMasked) {
    TJobState job = maskJob();
    job.MaskMap.SetPixel(2, 2, 1);
    EXPECT_TRUE(MaskByColor(job, 0, 31));
    EXPECT_EQ(masked(job), 8 * 32);
    // Outside the icon there is no colour to take.
    EXPECT_FALSE(MaskByColor(job, 32, 0));
    EXPECT_FALSE(MaskByColor(job, -1, 5));
    EXPECT_EQ(masked(job), 8 * 32);
}

TEST(MaskEditTest, PencilPaintsWhileAButtonIsHeld) {
    TJobState job = maskJob();
    TMaskRedraw redraw = MaskMouseDown(job, TMaskTool::ByPixel, TMouseButton::Left, 8, 16);
    EXPECT_EQ(redraw.What, TMaskRedraw::Cell);
    EXPECT_EQ(redraw.X, 1);
    EXPECT_EQ(redraw.Y, 2);
    EXPECT_TRUE(job.LeftDrawing);
    EXPECT_EQ(job.MaskMap.GetPixel(1, 2), 1);

    MaskMouseMove(job, TMaskTool::ByPixel, 100, 100);
    EXPECT_EQ(job.MaskMap.GetPixel(13, 13), 1);
    // Dragging out to the left by less than a cell still paints column 0.
    MaskMouseMove(job, TMaskTool::ByPixel, -5, 100);
    EXPECT_EQ(job.MaskMap.GetPixel(0, 13), 1);
    // Further out, or past the right edge, nothing is painted.
    MaskMouseMove(job, TMaskTool::ByPixel, -20, 60);
    MaskMouseMove(job, TMaskTool::ByPixel, 250, 60);
    EXPECT_EQ(masked(job), 3);

    MaskMouseUp(job, TMouseButton::Left);
    EXPECT_FALSE(job.LeftDrawing);
    EXPECT_EQ(MaskMouseMove(job, TMaskTool::ByPixel, 200, 200).What, TMaskRedraw::Nothing);
    EXPECT_EQ(masked(job), 3);
}

TEST(MaskEditTest, RightButtonPaintsOpaqueAndWinsWhenBothAreHeld) {
    TJobState job = maskJob();
    MaskByColor(job, 0, 0);
    MaskMouseDown(job, TMaskTool::ByPixel, TMouseButton::Right, 10, 10);
    EXPECT_EQ(job.MaskMap.GetPixel(1, 1), 0);
    MaskMouseDown(job, TMaskTool::ByPixel, TMouseButton::Left, 30, 30);
    EXPECT_EQ(job.MaskMap.GetPixel(3, 3), 1);
    EXPECT_TRUE(job.LeftDrawing && job.RightDrawing);
    MaskMouseMove(job, TMaskTool::ByPixel, 40, 40);
    EXPECT_EQ(job.MaskMap.GetPixel(5, 5), 0);
    MaskMouseUp(job, TMouseButton::Right);
    MaskMouseMove(job, TMaskTool::ByPixel, 48, 48);
    EXPECT_EQ(job.MaskMap.GetPixel(6, 6), 1);
}

TEST(MaskEditTest, MiddleButtonAndNoToolChangeNothing) {
    TJobState job = maskJob();
    EXPECT_EQ(MaskMouseDown(job, TMaskTool::ByPixel, TMouseButton::Middle, 50, 50).What,
              TMaskRedraw::Cell);
    EXPECT_EQ(MaskMouseDown(job, TMaskTool::None, TMouseButton::Left, 50, 50).What,
              TMaskRedraw::Nothing);
    job.LeftDrawing = true;
    EXPECT_EQ(MaskMouseMove(job, TMaskTool::None, 50, 50).What, TMaskRedraw::Nothing);
    EXPECT_EQ(MaskMouseMove(job, TMaskTool::ByColor, 50, 50).What, TMaskRedraw::Nothing);
    EXPECT_EQ(masked(job), 0);
    EXPECT_FALSE(job.RightDrawing);
}
