// Mouse events go through the window, as the system delivers them, so the implicit mouse
// grab of a pressed widget is part of what is tested.
#define QTEST_QPA_MOUSE_HANDLING
#include "ui/MaskingPage.h"

#include "core/NullWizardView.h"
#include "process/building/JobProcessor.h"
#include "utils/MaskViewReference.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Black, red and blue blocks on a 40 x 40 picture.
QImage BlockPicture() {
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter(&picture).fillRect(20, 0, 20, 40, QColor(220, 30, 30));
    QPainter(&picture).fillRect(0, 20, 40, 20, QColor(30, 40, 210));
    return picture;
}

struct MaskingPageRun {
    TJobState Job;
    TNullWizardView View;
    TJobProcessor Processor{Job, View};
    TMaskingPage Page{Job, Processor};
    TMaskView* MaskView = Page.findChild<TMaskView*>(QStringLiteral("ImageForMask"));
    QToolButton* Select = Page.findChild<QToolButton*>(QStringLiteral("ColorSelect"));
    QToolButton* Toggle = Page.findChild<QToolButton*>(QStringLiteral("ColorToggle"));
    QToolButton* Auto = Page.findChild<QToolButton*>(QStringLiteral("AutoMaskSpeedButton"));

    MaskingPageRun() {
        Page.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Page));
    }
    void Build(int size) {
        Job.SourceKind = TSourceKind::Bmp;
        Job.InputImage = BlockPicture();
        Job.IconSize = size;
        Processor.PrepareCrop();
        ASSERT_TRUE(Processor.BuildIcon());
        Page.ShowMasking();
    }
    bool Transparent(int x, int y) { return Job.MaskMap.GetPixel(x, y) == 1; }
    int TransparentCount() {
        int count = 0;
        for (int x = 0; x < Job.IconSize; ++x)
            for (int y = 0; y < Job.IconSize; ++y)
                count += Transparent(x, y);
        return count;
    }
    std::string ShownDifference() {
        QCoreApplication::processEvents();
        return testutil::FirstMaskViewDifference(Job, testutil::OnScreen(MaskView));
    }
};

// The circle and the pencil are told apart by their hot spots.
bool ShowsCursor(const QWidget* widget, QPoint hotSpot) {
    return widget->testAttribute(Qt::WA_SetCursor) && widget->cursor().hotSpot() == hotSpot &&
           widget->cursor().shape() == Qt::BitmapCursor;
}

} // namespace

TEST(MaskingPageTest, ToolGroupPointerAndColourMasking) {
    MaskingPageRun run;
    ASSERT_TRUE(run.MaskView && run.Select && run.Toggle && run.Auto);
    EXPECT_EQ(run.Page.objectName(), QStringLiteral("Panel5"));
    EXPECT_EQ(run.MaskView->size(), QSize(242, 242));
    run.Build(32);

    // No tool: clicks change nothing and the pointer is the window's own.
    QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(run.TransparentCount(), 0);
    EXPECT_FALSE(run.MaskView->testAttribute(Qt::WA_SetCursor));

    QTest::mouseClick(run.Select, Qt::LeftButton);
    EXPECT_TRUE(run.Select->isChecked());
    EXPECT_TRUE(ShowsCursor(run.MaskView, QPoint(14, 13)));
    QTest::mouseClick(run.Toggle, Qt::LeftButton); // switches
    EXPECT_FALSE(run.Select->isChecked());
    EXPECT_TRUE(run.Toggle->isChecked());
    EXPECT_TRUE(ShowsCursor(run.MaskView, QPoint(7, 24)));
    QTest::mouseClick(run.Toggle, Qt::LeftButton); // releases: both up
    EXPECT_FALSE(run.Select->isChecked() || run.Toggle->isChecked());
    EXPECT_FALSE(run.MaskView->testAttribute(Qt::WA_SetCursor));
    QTest::mouseClick(run.Toggle, Qt::LeftButton);
    QTest::mouseClick(run.Select, Qt::LeftButton); // switches back
    EXPECT_TRUE(run.Select->isChecked());
    EXPECT_FALSE(run.Toggle->isChecked());
    EXPECT_TRUE(ShowsCursor(run.MaskView, QPoint(14, 13)));

    // Auto-Mask marks pixels, and a click by colour marks more.
    QSignalSpy applied(&run.Page, &TMaskingPage::autoMaskApplied);
    QTest::mouseClick(run.Auto, Qt::LeftButton);
    EXPECT_EQ(applied.count(), 1);
    const int autoMasked = run.TransparentCount();
    EXPECT_GT(autoMasked, 0);
    QTest::mouseClick(run.MaskView, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_GT(run.TransparentCount(), autoMasked);
    EXPECT_EQ(run.ShownDifference(), "");

    // The tool and the pointer stay for the next pictures, at other sizes.
    for (const int size : {16, 48}) {
        run.Build(size);
        EXPECT_TRUE(run.Select->isChecked());
        EXPECT_TRUE(ShowsCursor(run.MaskView, QPoint(14, 13)));
        QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(241, 0));
        EXPECT_EQ(run.ShownDifference(), "");
    }
}

TEST(MaskingPageTest, PencilEdgesDragsAndBothButtons) {
    MaskingPageRun run;
    run.Build(32);
    QTest::mouseClick(run.Toggle, Qt::LeftButton);
    QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(241, 241));
    QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(run.Transparent(31, 31));
    EXPECT_TRUE(run.Transparent(0, 0));
    EXPECT_TRUE(run.Transparent(1, 1));
    EXPECT_EQ(run.TransparentCount(), 3);

    // A drag leaving on the left by less than a cell still paints column 0 (the view keeps
    // the mouse); further out, or past the right edge, nothing.
    const QPoint viewAt = run.MaskView->mapTo(&run.Page, QPoint(0, 0));
    QTest::mousePress(run.MaskView, Qt::LeftButton, {}, QPoint(20, 50));
    QTest::mouseMove(&run.Page, viewAt + QPoint(-3, 50));
    QTest::mouseMove(&run.Page, viewAt + QPoint(-10, 60));
    QTest::mouseMove(&run.Page, viewAt + QPoint(250, 60));
    QTest::mouseRelease(&run.Page, Qt::LeftButton, {}, viewAt + QPoint(250, 60));
    EXPECT_TRUE(run.Transparent(0, 6));
    EXPECT_EQ(run.TransparentCount(), 5);
    EXPECT_FALSE(run.Job.LeftDrawing);

    // Right-dragging turns transparent cells back to their colour in the view.
    QTest::mousePress(run.MaskView, Qt::RightButton, {}, QPoint(4, 4));
    QTest::mouseMove(run.MaskView, QPoint(10, 10));
    QTest::mouseMove(run.MaskView, QPoint(18, 50));
    QTest::mouseRelease(run.MaskView, Qt::RightButton, {}, QPoint(18, 50));
    EXPECT_FALSE(run.Transparent(0, 0) || run.Transparent(1, 1) || run.Transparent(2, 6));
    EXPECT_EQ(run.ShownDifference(), "");

    // Both buttons held: the pencil paints opaque.
    QTest::mouseClick(run.MaskView, Qt::LeftButton, {}, QPoint(120, 120));
    QTest::mousePress(run.MaskView, Qt::LeftButton, {}, QPoint(100, 120));
    QTest::mousePress(run.MaskView, Qt::RightButton, {}, QPoint(100, 120));
    QTest::mouseMove(run.MaskView, QPoint(120, 120));
    EXPECT_FALSE(run.Transparent(13, 15));
    EXPECT_FALSE(run.Transparent(15, 15));
    QTest::mouseRelease(run.MaskView, Qt::RightButton, {}, QPoint(120, 120));
    QTest::mouseRelease(run.MaskView, Qt::LeftButton, {}, QPoint(120, 120));

    // The keyboard: arrows move the highlighted cell from the pixel clicked last, Space
    // flips it.
    QTest::keyClick(run.MaskView, Qt::Key_Right);
    QTest::keyClick(run.MaskView, Qt::Key_Down);
    QTest::keyClick(run.MaskView, Qt::Key_Space);
    EXPECT_TRUE(run.Transparent(14, 16)); // the last press was on (13, 15)
    QTest::keyClick(run.MaskView, Qt::Key_Space);
    EXPECT_FALSE(run.Transparent(14, 16));
    QTest::keyClick(run.MaskView, Qt::Key_Space);
    run.MaskView->clearFocus();
    EXPECT_EQ(run.ShownDifference(), "");
}
