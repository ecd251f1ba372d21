// Whole runs through the real window: a manual run through every page, and automatic runs
// whose files must be byte for byte those of tessaly-convert with the same answers.

#include "UiTestSupport.h"
#include "core/PageTexts.h"
#include "utils/TestUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <set>

#include "ui/PictureBox.h"

namespace fs = std::filesystem;

namespace {

TEST(WizardRun, ManualRunFromABitmapToAnIcon) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    const QString picture = WritePicture(Q(dir / "a.bmp"), 40, 20);
    Wizard w({picture});

    ASSERT_EQ(w.Page(), PageSource);
    EXPECT_TRUE(w.Get<QRadioButton>("RadioSrcFile")->isChecked());
    EXPECT_FALSE(w.Get("RadioSrcClp")->isEnabled());
    EXPECT_EQ(w.Get<QListWidget>("ListBox1")->item(0)->text(), "a.bmp");
    EXPECT_FALSE(w.Get("BackButton")->isEnabled());
    EXPECT_EQ(w.Form->windowTitle(), ProductTitle());

    w.Click("NextButton"); // one picture: the batch page is passed
    ASSERT_EQ(w.Page(), PageResolution);
    EXPECT_EQ(w.Form->windowTitle(), StepSummary(w.Form->Job(), false));
    EXPECT_EQ(w.Get("ScaleImage")->size(), QSize(64, 32));
    w.Click("RadioOutSize0");
    w.Click("RadioOutColor0");

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSizing);
    EXPECT_FALSE(w.Get("CropOption")->isEnabled());
    w.Click("RadioCrop");
    EXPECT_TRUE(w.Get("CropOption")->isEnabled());
    const auto* preview = w.Get<TPictureBox>("CropPreview");
    EXPECT_EQ(preview->geometry(), QRect(26, 26, 16, 16));
    EXPECT_FALSE(preview->Stretch());
    EXPECT_EQ(preview->Picture().size(), QSize(16, 16));
    w.Click("BackButton");
    EXPECT_EQ(w.Page(), PageResolution);
    w.Click("NextButton");
    EXPECT_TRUE(w.Get<QRadioButton>("RadioCrop")->isChecked()) << "answers persist";

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageMasking);
    EXPECT_FALSE(w.Shows("LeftPicturePanel"));
    EXPECT_EQ(w.Form->Job().Sizing, TSizing::Crop);
    EXPECT_EQ(w.Form->Job().MaskViewWidth, 242);

    // Two pixels painted by hand, then every pixel of one colour: exactly these must be
    // transparent in the written file.
    QWidget* view = w.Get("ImageForMask");
    const auto cell = [](int i) { return i * 242 / 16 + 7; };
    w.Click("ColorToggle");
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(cell(0), cell(0)));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(cell(3), cell(2)));
    w.Click("ColorSelect");
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(cell(9), cell(9)));
    const TPxlMap& colors = w.Form->Job().IconMap;
    bool chosen[16][16] = {};
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            chosen[x][y] = (x == 0 && y == 0) || (x == 3 && y == 2) ||
                           colors.PixelAt(x, y) == colors.PixelAt(9, 9);

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSaving);
    EXPECT_EQ(w.Get<QAbstractButton>("NextButton")->text(), NextCaption(PageSaving));
    EXPECT_EQ(w.Get<QLineEdit>("OutLocationEdit")->text(), Q(dir / "a.ico"));
    EXPECT_EQ(w.Get("LastPreview")->size(), QSize(16, 16));
    auto* format = w.Get<QComboBox>("OutFormatCombo");
    QTest::keyClick(format, Qt::Key_Down);
    EXPECT_EQ(w.Form->Job().OutFormat, TOutFormat::Mico);
    EXPECT_FALSE(w.Shows("ReplaceCheckBox")) << "a multi-resource icon is always added to";
    EXPECT_EQ(w.Get<QLabel>("DescriptionText")->text(), FormatDescription(1));
    QTest::keyClick(format, Qt::Key_Up);
    EXPECT_TRUE(w.Shows("ReplaceCheckBox"));

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageFinish);
    const auto icon = testutil::readFile(dir / "a.ico");
    ASSERT_GE(icon.size(), 22u);
    EXPECT_EQ(icon[4], 1) << "one image";
    EXPECT_EQ(icon[6], 16) << "16 pixels wide";
    // 4-bit image: header, 16 palette entries, 16 rows of 8 bytes, then the mask's 16
    // rows of 4 bytes, bottom row first.
    const std::size_t mask = 22 + 40 + 16 * 4 + 16 * 8;
    ASSERT_EQ(icon.size(), mask + 16 * 4);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool set = (icon[mask + (15 - y) * 4 + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(set, chosen[x][y]) << "pixel " << x << ", " << y;
        }
    EXPECT_FALSE(w.Get("BackButton")->isEnabled());
    EXPECT_FALSE(w.Get("CancelButton")->isEnabled());
    w.Click("NextButton");
    EXPECT_FALSE(w.Form->isVisible());
    EXPECT_TRUE(w.Dialogs.Messages.isEmpty()) << w.Dialogs.Messages.join('\n').toStdString();
}

TEST(WizardRun, AutomaticRunWritesWhatTheConverterWrites) {
    ClearClipboard();
    testutil::TempDir dir;
    QStringList pictures{WritePicture(Q(dir / "flat.bmp"), 41, 23),
                         WritePicture(Q(dir / "square.bmp"), 30, 30),
                         WritePicture(Q(dir / "wide.bmp"), 64, 48)};
    struct Case {
        int Size, Bits, Masking;
    };
    for (const Case c : {Case{32, 8, 1}, Case{16, 4, 0}, Case{48, 8, 1}}) {
        const fs::path cli = dir / "cli", wizard = dir / "wizard";
        fs::remove_all(cli);
        fs::remove_all(wizard);
        fs::create_directory(cli);
        fs::create_directory(wizard);
        std::string command =
            testutil::shellQuote((testutil::binDir() / "tessaly-convert").string()) + " -s " +
            std::to_string(c.Size) + " -c " + (c.Bits == 4 ? "16" : "256") + " -m " +
            (c.Masking ? "auto" : "none") + " -o " + testutil::shellQuote(cli.string());
        for (const QString& p : pictures)
            command += " " + testutil::shellQuote(p.toStdString());
        const auto converted = testutil::runCommand(command);
        ASSERT_EQ(converted.exitCode, 0) << converted.output;

        Wizard w(pictures);
        w.Form->Job().PresetIconSize = c.Size; // as the preset dialog sets them
        w.Form->Job().PresetIconBPP = c.Bits;
        w.Form->Job().PresetMasking = static_cast<TMasking>(c.Masking);
        w.Click("NextButton");
        ASSERT_EQ(w.Page(), PageBatchMode);
        w.Click("Handle_Auto");
        w.Click("NextButton");
        ASSERT_EQ(w.Page(), PageSaving) << "the save page is shown once";
        EXPECT_EQ(w.Get<QLabel>("OutLocationText")->text(), LocationLabel(true));
        EXPECT_FALSE(w.Shows("LastPreview"));
        w.Get<QLineEdit>("OutLocationEdit")->setText(Q(wizard));
        w.Click("NextButton");
        ASSERT_EQ(w.Page(), PageFinish) << w.Dialogs.Messages.join('\n').toStdString();

        const auto fromCli = testutil::Snapshot(cli);
        EXPECT_EQ(fromCli.size(), 3u);
        EXPECT_EQ(testutil::Snapshot(wizard), fromCli) << c.Size << " " << c.Bits;
    }
}

// Going back and forth keeps the person's work while the icon stays the same.
TEST(WizardRun, BackKeepsTheMaskAndTheCropPlace) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    Wizard w({WritePicture(Q(dir / "b.bmp"), 40, 20)});
    w.Click("NextButton");
    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSizing);
    w.Click("RadioCrop");
    TCropState& crop = w.Form->Processor().CropState();
    crop.LeftEdited("-8"); // as the crop dialog's edits do
    crop.TopEdited("-8");
    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageMasking);
    w.Click("AutoMaskSpeedButton");
    w.Click("ColorToggle");
    QTest::mouseClick(w.Get("ImageForMask"), Qt::LeftButton, {}, QPoint(120, 120));
    const auto& pixels = w.Form->Job().MaskMap.Pixels;
    const auto mask = [&] {
        return QByteArray(reinterpret_cast<const char*>(pixels), sizeof pixels);
    };
    const QByteArray painted = mask(), empty(sizeof pixels, 0);
    ASSERT_NE(painted, empty);

    w.Click("NextButton");
    w.Click("BackButton");
    ASSERT_EQ(w.Page(), PageMasking);
    EXPECT_EQ(mask(), painted);
    w.Click("BackButton");
    w.Click("BackButton"); // the resolution page: the picture is loaded again
    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSizing);
    EXPECT_EQ(crop.CropLeft, -8);
    EXPECT_EQ(crop.CropTop, -8);
    w.Click("NextButton");
    EXPECT_EQ(mask(), painted);
    // Another crop place is another icon, with a mask of its own.
    w.Click("BackButton");
    crop.LeftEdited("0");
    w.Click("NextButton");
    EXPECT_EQ(mask(), empty);
}

// An automatic run shows its progress at every turn of its loop, takes Cancel as Stop, and
// its finish page lists what failed and says what was saved where.
TEST(WizardRun, AutomaticRunShowsProgressStopsAndSaysWhatItDid) {
    ClearClipboard();
    testutil::TempDir dir;
    fs::create_directory(dir / "out");
    testutil::writeFile(dir / "bad.jpg", {'n', 'o'});
    // Queued last named first: a, bad, b, c, d.
    Wizard w({WritePicture(Q(dir / "d.bmp"), 40, 20), WritePicture(Q(dir / "c.bmp"), 40, 20),
              WritePicture(Q(dir / "b.bmp"), 40, 20), Q(dir / "bad.jpg"),
              WritePicture(Q(dir / "a.bmp"), 40, 20)});
    w.Click("NextButton");
    w.Click("Handle_Auto");
    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSaving);
    w.Get<QLineEdit>("OutLocationEdit")->setText(Q(dir / "out"));

    bool runShown = true, stopped = false;
    std::set<int> positions;
    QTimer timer; // fires whenever the window handles its events
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (stopped || !w.Form->Engine().Busy()) return;
        const auto* bar = w.Get<QProgressBar>("ProgressBar1");
        runShown = runShown && bar->isVisible() && !w.Get("OutFormatCombo")->isEnabled() &&
                   w.Get("CancelButton")->isEnabled();
        positions.insert(bar->value());
        if (w.Form->Job().FileIndex == 3) {
            stopped = true;
            QTest::mouseClick(w.Get("CancelButton"), Qt::LeftButton);
        }
    });
    timer.start(0);
    w.Click("NextButton");
    timer.stop();

    ASSERT_EQ(w.Page(), PageFinish);
    EXPECT_TRUE(runShown);
    EXPECT_EQ(positions, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(testutil::Snapshot(dir / "out").size(), 2u);
    EXPECT_TRUE(fs::exists(dir / "out" / "b.ico")) << "c is abandoned, d never started";
    EXPECT_EQ(w.Get<QLabel>("FinishText")->text(), "Stopped: 2 icons were saved.");
    const QString details = w.Get<QPlainTextEdit>("FinishDetails")->toPlainText();
    EXPECT_TRUE(details.startsWith("Saved in the folder " + Q(dir / "out") +
                                   "/\n\n"
                                   "1 picture could not be loaded:\nbad.jpg: "))
        << details.toStdString();

    // Esc on the finish page loses nothing: it closes the window.
    QTest::keyClick(w.Form.get(), Qt::Key_Escape);
    EXPECT_FALSE(w.Form->isVisible());
}

} // namespace

TEST(WizardRun, KeyboardAloneFromTheSourcePageToFinish) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    Wizard w({WritePicture(Q(dir / "k.bmp"), 40, 20)});
    w.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.Form.get()));
    // Through the window, as the platform delivers keys.
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(w.Form->windowHandle(), key, modifiers);
    };

    press(Qt::Key_Return); // Next is the default button; the batch page is passed
    ASSERT_EQ(w.Page(), PageResolution);
    press(Qt::Key_Return);
    ASSERT_EQ(w.Page(), PageSizing);
    press(Qt::Key_Return);
    ASSERT_EQ(w.Page(), PageMasking);

    // The mask view from the keyboard: focus, move the highlight, toggle a pixel.
    w.Get("ImageForMask")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Right);
    press(Qt::Key_Down);
    press(Qt::Key_Space);
    const TPxlMap& mask = w.Form->Job().MaskMap;
    EXPECT_EQ(mask.PixelAt(1, 1), 1);
    EXPECT_EQ(mask.PixelAt(0, 0), 0);

    press(Qt::Key_Return);
    ASSERT_EQ(w.Page(), PageSaving);
    press(Qt::Key_Return); // Save
    ASSERT_EQ(w.Page(), PageFinish);
    EXPECT_TRUE(fs::exists(dir / "k.ico"));
    press(Qt::Key_Return); // Finish
    EXPECT_FALSE(w.Form->isVisible());
}

// A Save that would write over the picture itself is refused; the save page stays, usable,
// so that another name can be given.
TEST(WizardRun, SaveOverThePictureItselfIsRefused) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    const QString picture = WritePicture(Q(dir / "holiday.bmp"), 40, 20);
    const auto original = testutil::readFile(dir / "holiday.bmp");
    Wizard w({picture});
    for (int click = 0; click < 4; ++click)
        w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageSaving);
    QTest::keyClick(w.Get<QComboBox>("OutFormatCombo"), Qt::Key_Down);
    QTest::keyClick(w.Get<QComboBox>("OutFormatCombo"), Qt::Key_Down);
    ASSERT_EQ(w.Form->Job().OutFormat, TOutFormat::Bmp);
    auto* location = w.Get<QLineEdit>("OutLocationEdit");
    ASSERT_EQ(location->text(), Q(dir / "holiday.bmp"));

    w.Click("NextButton");
    EXPECT_EQ(w.Page(), PageSaving);
    ASSERT_EQ(w.Dialogs.Messages.size(), 1);
    EXPECT_TRUE(w.Dialogs.Messages[0].endsWith(": Cannot write " + Q(dir / "holiday.bmp") +
                                               ": it is a picture of this run"))
        << w.Dialogs.Messages[0].toStdString();
    EXPECT_EQ(testutil::readFile(dir / "holiday.bmp"), original);
    for (const char* name : {"NextButton", "BackButton", "CancelButton", "OutLocationEdit"})
        EXPECT_TRUE(w.Get(name)->isEnabled()) << name;
    // Esc would lose the run here, also while typing the location: it does nothing.
    QTest::keyClick(location, Qt::Key_Escape);
    EXPECT_TRUE(w.Form->isVisible());
    location->setText(Q(dir / "small.bmp"));
    w.Click("NextButton");
    EXPECT_EQ(w.Page(), PageFinish);
    EXPECT_TRUE(fs::exists(dir / "small.bmp"));
}

TEST(WizardRun, ALargePhotoIsPreviewedFromItsOwnRowsAsFromTheWholePicture) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    QImage photo(1600, 1200, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 1600, (x ^ y) & 255, y * 255 / 1200));
    ASSERT_TRUE(photo.save(Q(dir / "photo.jpg"), "JPEG", 90));
    Wizard w({Q(dir / "photo.jpg")});

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageResolution);
    const QImage partial = w.Form->Job().InputImage;
    const QImage shown = w.Get("ScaleImage")->grab().toImage();
    w.Form->Processor().CompletePicture();
    ASSERT_NE(w.Form->Job().InputImage, partial) << "the page had the preview's rows only";
    w.Form->ShowPage();
    EXPECT_EQ(w.Get("ScaleImage")->grab().toImage(), shown);
}
