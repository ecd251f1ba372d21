#define QTEST_QPA_MOUSE_HANDLING
#include "ui/CropForm.h"

#include "UiTestSupport.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "utils/MaskViewReference.h"

namespace {

QImage Pattern(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 3, 90));
    return picture;
}

struct CropDialogRun {
    TCropState Crop;
    FakeDialogs Dialogs;
    TCropForm Form{Crop, Dialogs};
    QWidget* Show = Form.findChild<QWidget*>(QStringLiteral("ShowImage"));
    QLabel* Thumbnail = Form.findChild<QLabel*>(QStringLiteral("ThumbnailImage"));

    explicit CropDialogRun(const QImage& picture) {
        Crop.SetPicture(picture, 32);
        Form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Form));
    }
    QLineEdit* Edit(const char* name) { return Form.findChild<QLineEdit*>(QLatin1String(name)); }
    QString Text(const char* name) { return Edit(name)->text(); }
    // Types into a box and moves the focus on.
    void Type(const char* name, const QString& text) {
        Edit(name)->setText(text);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(Edit(name), &leave);
    }
    // The picture on screen against the rule: the padded picture, inverted on the square's
    // edge columns and rows. The first differing pixel as "x,y", else empty.
    std::string ShownDifference() {
        QCoreApplication::processEvents();
        const QImage shown = testutil::OnScreen(Show);
        const QImage& padded = Crop.EmbedImage();
        const TCropRect& r = Crop.CropRect;
        for (int y = 0; y < padded.height(); ++y)
            for (int x = 0; x < padded.width(); ++x) {
                const bool edge =
                    (x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1) &&
                    x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                if ((shown.pixel(x, y) ^ (edge ? 0xFFFFFF : 0)) !=
                    (padded.pixel(x, y) | 0xFF000000))
                    return std::to_string(x) + "," + std::to_string(y);
            }
        return {};
    }
    QImage Thumb() { return Thumbnail->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }
};

} // namespace

TEST(CropFormTest, EditsDragsAndPanning) {
    CropDialogRun run(Pattern(100, 80));
    EXPECT_EQ(run.Form.windowTitle(), QStringLiteral("Crop option"));
    EXPECT_FALSE(run.Form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(run.Form.findChild<QLabel*>(QStringLiteral("PicWHText"))->text(), "100 x 80");
    EXPECT_EQ(run.Form.findChild<QLabel*>(QStringLiteral("IconSizeText"))->text(), "32 x 32");
    EXPECT_EQ(run.Show->size(), QSize(160, 140));
    EXPECT_EQ(run.ShownDifference(), "");

    run.Type("CropLeftText", QStringLiteral("-100"));
    EXPECT_EQ(run.Text("CropLeftText"), "-30");
    EXPECT_EQ(run.Text("CropRightText"), "1");
    run.Type("CropRightText", QStringLiteral("500"));
    EXPECT_EQ(run.Text("CropRightText"), "130");
    EXPECT_EQ(run.Text("CropLeftText"), "99");

    // Dragging far beyond the scroll box keeps the square in range; the picture on screen
    // shows the outline only where the square now is.
    QTest::mousePress(run.Show, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(run.Show, QPoint(1000, -500));
    QTest::mouseRelease(run.Show, Qt::LeftButton, {}, QPoint(1000, -500));
    EXPECT_EQ(run.Crop.CropLeft, 99);
    EXPECT_EQ(run.Text("CropTopText"), "-30");
    EXPECT_EQ(run.Text("CropBottomText"), "1");
    EXPECT_EQ(run.ShownDifference(), ""); // no outline left where the square was
    EXPECT_EQ(run.Thumb(), run.Crop.CropImage().convertToFormat(QImage::Format_RGB32));

    // The right button pans: the view follows the pointer.
    CropDialogRun big(Pattern(600, 500));
    auto* box = big.Form.findChild<QScrollArea*>(QStringLiteral("ScrollBox1"));
    box->horizontalScrollBar()->setValue(100);
    box->verticalScrollBar()->setValue(100);
    QTest::mousePress(big.Show, Qt::RightButton, {}, QPoint(200, 200));
    QTest::mouseMove(big.Show, QPoint(190, 215));
    // The grabbed point is back under the pointer.
    QTest::mouseRelease(big.Show, Qt::RightButton, {}, QPoint(200, 200));
    EXPECT_EQ(box->horizontalScrollBar()->value(), 110);
    EXPECT_EQ(box->verticalScrollBar()->value(), 85);
}

// The frame swatch opens the colour dialog on the colour chosen last; a colour taken
// becomes the frame colour, and the view and the thumbnail show it.
TEST(CropFormTest, FrameSwatchTakesTheColourDialogsChoice) {
    CropDialogRun run(Pattern(100, 80));
    run.Type("CropLeftText", QStringLiteral("-30"));
    auto* swatch = run.Form.findChild<QFrame*>(QStringLiteral("Panel1"));
    QTest::mousePress(swatch, Qt::LeftButton);
    EXPECT_EQ(swatch->frameShadow(), QFrame::Sunken);
    run.Dialogs.Color = QColor(200, 10, 50);
    QTest::mouseRelease(swatch, Qt::LeftButton);
    EXPECT_EQ(swatch->frameShadow(), QFrame::Raised);
    EXPECT_EQ(run.Dialogs.ColorOffered, QColor(Qt::black));
    EXPECT_EQ(run.Crop.FrameColor, 0x00320AC8u);
    EXPECT_EQ(run.Thumb().pixel(0, 0), qRgb(200, 10, 50)); // the square starts in the frame
    EXPECT_EQ(run.ShownDifference(), "");

    run.Crop.SetFrameColor(0x0000FF00);
    run.Dialogs.Color.reset();
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(run.Dialogs.ColorOffered, QColor(200, 10, 50));
    EXPECT_EQ(run.Crop.FrameColor, 0x0000FF00u);
}
