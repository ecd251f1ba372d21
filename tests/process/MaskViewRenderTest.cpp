#include "process/pages/MaskViewRender.h"

#include "process/pages/MaskEdit.h"
#include "utils/MaskViewReference.h"

#include <QImage>
#include <gtest/gtest.h>
#include <random>

namespace {

// An icon of S x S in random colours with the corners, the last row and column and a few
// pixels inside transparent.
TJobState RandomIcon(int size, std::mt19937& random) {
    TJobState job;
    job.IconSize = size;
    job.MaskViewWidth = 242;
    job.IconImage = QImage(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            job.IconImage.setPixel(x, y, random() | 0xFF000000);
    job.MaskMap.NewImage(size, size, 1);
    for (int i = 0; i < size; ++i) {
        SetMaskPixel(job, size - 1, i, i % 3 != 0);
        SetMaskPixel(job, i, size - 1, i % 2 == 0);
        SetMaskPixel(job, i, i / 2, true);
    }
    return job;
}

} // namespace

TEST(MaskViewRenderTest, WholeViewAndEveryCellRedrawFollowTheRulesAtEachSize) {
    std::mt19937 random(7);
    for (const int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        TJobState job = RandomIcon(size, random);
        QImage view = NewMaskView(242);
        DrawMaskView(view, job, -1, -1);
        ASSERT_EQ(testutil::FirstMaskViewDifference(job, view), "");

        // Flipping pixels one at a time and redrawing only their cells gives the view of
        // the new mask.
        for (int i = 0; i < 20; ++i) {
            const int x = random() % size;
            const int y = random() % size;
            ToggleMaskPixel(job, x, y);
            DrawMaskView(view, job, x, y);
        }
        ASSERT_EQ(testutil::FirstMaskViewDifference(job, view), "");

        // A request with only one coordinate -1 redraws everything.
        for (int x = 0; x < size; ++x)
            ToggleMaskPixel(job, x, 3);
        DrawMaskView(view, job, 5, -1);
        EXPECT_EQ(testutil::FirstMaskViewDifference(job, view), "");
    }
}
