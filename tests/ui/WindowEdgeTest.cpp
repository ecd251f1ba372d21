// The window's edge cases: pictures that fail, later pictures, the clipboard and dropped
// files, the queue's keys, the font, and captions that must fit.

#include "UiTestSupport.h"
#include "core/PageTexts.h"
#include "utils/TestUtils.h"

#include "ui/AboutForm.h"
#include "ui/Controls.h"
#include "ui/CropForm.h"
#include "ui/FontMapping.h"
#include "ui/FormFileDialog.h"
#include "ui/PreSetForm.h"
#include "ui/WindowDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTimer>

namespace fs = std::filesystem;

namespace {

// A drag over the window and the drop, as the desktop delivers them.
void Drop(TForm1& form, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint point(200, 100);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
}

TEST(WindowEdge, PictureThatFailsToLoadOffersNoChoices) {
    ClearClipboard();
    testutil::TempDir dir;
    testutil::writeFile(dir / "bad.bmp", {'n', 'o', 't'});
    Wizard w({Q(dir / "bad.bmp")});
    int pageDuringMessage = -1;
    w.Dialogs.OnMessage = [&] {
        // The loop is still working: an activation now must wait until it has finished.
        w.Form->FormActivate();
        pageDuringMessage = w.Page();
    };
    w.Click("NextButton");
    // The message's first line, then the reason.
    ASSERT_EQ(w.Dialogs.Messages.size(), 1);
    EXPECT_TRUE(w.Dialogs.Messages[0].startsWith("Picture error: Cannot load picture " +
                                                 Q(dir / "bad.bmp") + "\n"));
    EXPECT_GT(w.Dialogs.Messages[0].size(), w.Dialogs.Messages[0].indexOf('\n') + 1);
    EXPECT_EQ(pageDuringMessage, PageSource);
    ASSERT_EQ(w.Page(), PageResolution);
    EXPECT_FALSE(w.Shows("PanelPreview"));
    EXPECT_FALSE(w.Get("RadioOutSize")->isEnabled());
    EXPECT_FALSE(w.Get("RadioOutColor")->isEnabled());
    EXPECT_FALSE(w.Get("BackButton")->isEnabled());
    w.Click("NextButton");
    EXPECT_EQ(w.Page(), PageFinish);
}

TEST(WindowEdge, LaterPicturesCannotGoBack) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    Wizard w(
        {WritePicture(Q(dir / "wide.bmp"), 200, 100), WritePicture(Q(dir / "tall.bmp"), 100, 300)});
    w.Click("NextButton");
    w.Click("NextButton"); // manually
    ASSERT_EQ(w.Page(), PageResolution);
    EXPECT_TRUE(w.Get("BackButton")->isEnabled());
    for (int press = 0; press < 4; ++press)
        w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageResolution);
    EXPECT_FALSE(w.Get("BackButton")->isEnabled());
    EXPECT_TRUE(fs::exists(dir / "tall.ico"));
}

TEST(WindowEdge, SourcePageFollowsClipboardAndCommandLine) {
    testutil::TempDir dir;
    const QStringList files{WritePicture(Q(dir / "a.bmp"), 8, 8),
                            WritePicture(Q(dir / "b.bmp"), 8, 8)};
    ClearClipboard();
    {
        Wizard w(files);
        EXPECT_TRUE(w.Get<QRadioButton>("RadioSrcFile")->isChecked());
        // A picture copied elsewhere makes the clipboard choosable without any click.
        QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        QApplication::processEvents();
        EXPECT_TRUE(w.Get("RadioSrcClp")->isEnabled());
        ClearClipboard();
        EXPECT_FALSE(w.Get("RadioSrcClp")->isEnabled());
    }
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    Wizard w(files);
    EXPECT_TRUE(w.Get<QRadioButton>("RadioSrcClp")->isChecked());
    EXPECT_FALSE(w.Shows("PanelFromFile"));
    EXPECT_EQ(w.Form->Job().InputList.size(), 2);
    EXPECT_TRUE(w.Get("NextButton")->isEnabled());
    ClearClipboard();
}

TEST(WindowEdge, DroppedFilesAndTheQueueKeys) {
    ClearClipboard();
    testutil::TempDir dir;
    const QString a = WritePicture(Q(dir / "a.bmp"), 8, 8);
    const QString b = WritePicture(Q(dir / "b.bmp"), 8, 8);
    const QString c = WritePicture(Q(dir / "c.bmp"), 8, 8);
    Wizard w({});
    Drop(*w.Form, {a, b});
    EXPECT_EQ(w.Form->Job().InputList, (QStringList{b, a}));
    auto* list = w.Get<QListWidget>("ListBox1");
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(w.Form->Job().InputList, QStringList{a});
    w.Dialogs.FilesToAdd = {c, b};
    QTest::keyClick(list, Qt::Key_Insert);
    EXPECT_EQ(w.Dialogs.AddDialogs, 1);
    EXPECT_EQ(w.Dialogs.FilterOffered, AddDialogStartFilter(NameFilters(AddDialogFilter())));
    EXPECT_EQ(w.Form->Job().InputList, (QStringList{a, b, c}));

    w.Click("NextButton");
    ASSERT_EQ(w.Page(), PageBatchMode);
    Drop(*w.Form, {Q(dir / "d.bmp"), c});
    EXPECT_EQ(w.Form->Job().InputList.size(), 3) << "drops count only on the source page";
    w.Click("BackButton");
    ASSERT_EQ(w.Page(), PageSource);
    list->selectAll();
    w.Click("FileRemvButton");
    EXPECT_FALSE(w.Get("NextButton")->isEnabled());
    EXPECT_FALSE(w.Get("FileRemvButton")->isEnabled());
}

TEST(WindowEdge, FontReachesEveryWindowButTheAboutLines) {
    ClearClipboard();
    Wizard w({});
    TCropForm crop(w.Form->Processor().CropState(), w.Dialogs, w.Form.get());
    TAboutForm about(w.Form.get());
    TPreSetForm preset(w.Form->Job(), w.Store, w.Dialogs, w.Form.get());
    w.Form->SetDialogs(&crop, &about, &preset);
    QFont chosen(QStringLiteral("DejaVu Sans"), 10);
    chosen.setBold(true);
    w.Dialogs.Font = chosen;
    QAction* font = w.Form->findChild<QAction*>(QStringLiteral("Font1"));
    ASSERT_NE(font, nullptr);
    font->trigger();
    // The dialog lists installed faces only: it opens on the design face's stand-in, which
    // is stored as the design face.
    EXPECT_TRUE(QFontDatabase::hasFamily(w.Dialogs.FontOffered.family()));
    EXPECT_EQ(FontSettingOf(w.Dialogs.FontOffered).Name, "MS Sans Serif");
    EXPECT_EQ(w.Dialogs.FontOffered.pointSize(), 8);
    for (const QWidget* window : {static_cast<QWidget*>(w.Form.get()), static_cast<QWidget*>(&crop),
                                  static_cast<QWidget*>(&about), static_cast<QWidget*>(&preset)})
        EXPECT_TRUE(window->font().bold() && window->font().pointSize() == 10);
    const QFont product = about.findChild<QLabel*>(QStringLiteral("ProductName"))->font();
    EXPECT_EQ(product.pointSize(), 12);
    EXPECT_TRUE(product.bold());
    const auto* build = about.findChild<QLabel*>(QStringLiteral("BuildText"));
    EXPECT_EQ(build->font().pointSize(), 8);
#ifdef Q_OS_LINUX
    EXPECT_EQ(build->text(), "Linux Build 002");
#endif
    EXPECT_EQ(w.Store.Values.value("FontName"), "DejaVu Sans");
    EXPECT_EQ(w.Store.Values.value("FontStyle"), "1");
    EXPECT_EQ(w.Store.Values.value("FontSize"), "10");
    font->trigger();
    EXPECT_TRUE(w.Dialogs.FontOffered.bold()) << "the dialog starts from its last choice";

    w.Form->findChild<QAction*>(QStringLiteral("Aboutprogram1"))->trigger();
    EXPECT_EQ(w.Dialogs.DialogsRun, QStringList{"AboutForm"});
}

// Every caption fits its control, and no control its parent or a caption another, at the
// window font's smallest, design, a middle and the largest size; the chooser keeps the
// design font. Every control has a name a screen reader can speak.
void ExpectCaptionsFitAndControlsNamed(int points) {
    ClearClipboard();
    Wizard w({});
    TAboutForm about(w.Form.get());
    TJobState job;
    TPreSetForm preSet(job, w.Store, w.Dialogs, w.Form.get());
    TCropState crop;
    crop.SetPicture(QImage(60, 40, QImage::Format_RGB32), 32);
    TCropForm cropForm(crop, w.Dialogs, w.Form.get());
    w.Form->SetDialogs(&cropForm, &about, &preSet);
    w.Form->ApplyFont(WindowFont({QStringLiteral("MS Sans Serif"), 0, points}));
    TFormFileDialog chooser(w.Form.get());
    EXPECT_EQ(chooser.font().pointSize(), 8);
    for (QWidget* window : {static_cast<QWidget*>(w.Form.get()), static_cast<QWidget*>(&about),
                            static_cast<QWidget*>(&preSet), static_cast<QWidget*>(&cropForm),
                            static_cast<QWidget*>(&chooser)}) {
        window->show();
        for (const QWidget* widget : window->findChildren<QWidget*>()) {
            if (widget->window() != window) continue; // the colour dialog is Qt's own
            const QWidget* parent = widget->parentWidget();
            if (!widget->isHidden() && !parent->objectName().startsWith("qt_")) {
                EXPECT_TRUE(parent->rect().contains(widget->geometry()))
                    << widget->objectName().toStdString();
                for (const QLabel* label :
                     parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
                    EXPECT_FALSE(label != widget && !label->isHidden() &&
                                 (qobject_cast<const QLabel*>(widget) ||
                                  qobject_cast<const QAbstractButton*>(widget)) &&
                                 label->geometry().intersects(widget->geometry()))
                        << widget->objectName().toStdString() << " on "
                        << label->text().toStdString();
                }
            }
            const auto* label = qobject_cast<const QLabel*>(widget);
            const auto* button = qobject_cast<const QAbstractButton*>(widget);
            const QString name = widget->objectName() + " " +
                                 (label    ? label->text()
                                  : button ? button->text()
                                           : QString());
            if (label && !label->text().isEmpty()) {
                if (label->wordWrap())
                    EXPECT_LE(label->heightForWidth(label->width()), label->height())
                        << name.toStdString();
                else
                    EXPECT_LE(label->sizeHint().width(), label->width()) << name.toStdString();
                EXPECT_LE(label->fontMetrics().height(), label->height()) << name.toStdString();
            }
            if (button) {
                // Push buttons ask for a minimum width of their own; the caption is what
                // counts.
                const int needed = qobject_cast<const QPushButton*>(button)
                                       ? button->fontMetrics().horizontalAdvance(
                                             WithoutAccelerator(button->text())) +
                                             8
                                       : button->sizeHint().width();
                EXPECT_LE(needed, button->width()) << name.toStdString();
                EXPECT_FALSE(button->accessibleName().isEmpty()) << name.toStdString();
                EXPECT_FALSE(button->accessibleName().contains('&')) << name.toStdString();
            }
            if (widget->focusPolicy() != Qt::NoFocus && !widget->inherits("QScrollBar") &&
                !widget->objectName().startsWith("qt_")) {
                EXPECT_FALSE(widget->accessibleName().isEmpty()) << name.toStdString();
            }
        }
    }
}

TEST(WindowEdge, CaptionsFitAndControlsAreNamed) {
    for (const int points : {6, 8, 12, 24}) {
        SCOPED_TRACE(points);
        ExpectCaptionsFitAndControlsNamed(points);
    }
}

} // namespace

namespace {

// Presses Alt and the letter of every accelerator a window shows, as the platform delivers
// keys, and checks that the control takes it: alone, or, where two controls underline the
// same letter, each in turn as the presses repeat (and then it only takes the focus). The
// control's own action is swallowed, so the window stays as it is. Gives the number of
// controls reached.
int PressEveryAccelerator(QWidget& window) {
    struct Recorder : QObject {
        QSet<QObject*> Hits;
        int Ambiguous = 0;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() != QEvent::Shortcut) return false;
            Hits << watched;
            Ambiguous += static_cast<QShortcutEvent*>(event)->isAmbiguous();
            return true;
        }
    };
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    QMap<QKeySequence, QSet<QObject*>> byKeys;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* button = qobject_cast<QAbstractButton*>(control);
        const auto* group = qobject_cast<QGroupBox*>(control);
        const QKeySequence keys = QKeySequence::mnemonic(label    ? label->text()
                                                         : button ? button->text()
                                                         : group  ? group->title()
                                                                  : QString());
        if (!keys.isEmpty() && control->isVisible() && control->isEnabled())
            byKeys[keys] << control;
    }
    int reached = 0;
    for (auto [keys, controls] : byKeys.asKeyValueRange()) {
        Recorder recorder;
        for (QWidget* widget : window.findChildren<QWidget*>())
            widget->installEventFilter(&recorder);
        for (qsizetype i = 0; i < controls.size(); ++i)
            QTest::keySequence(window.windowHandle(), keys);
        EXPECT_EQ(recorder.Hits, controls) << keys.toString().toStdString();
        EXPECT_EQ(recorder.Ambiguous, controls.size() > 1 ? controls.size() : 0);
        reached += static_cast<int>(recorder.Hits.size());
    }
    return reached;
}

// Walks Tab once round the window and checks the order: every control that takes the
// focus comes once (of a radio group the checked button), each after the controls above
// it in its column, and the button row last, from left to right.
void ExpectTabOrder(QWidget& window, int page) {
    QSet<QWidget*> focusable;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const auto* radio = qobject_cast<QRadioButton*>(widget);
        if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
            !widget->objectName().startsWith("qt_") && !(radio && !radio->isChecked()))
            focusable << widget;
    }
    QList<QWidget*> cycle;
    while (cycle.size() < 40 && cycle.count(cycle.value(0)) < 2) {
        QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
        cycle << QApplication::focusWidget();
    }
    cycle.removeLast();
    EXPECT_EQ(QSet<QWidget*>(cycle.begin(), cycle.end()), focusable) << "page " << page;
    // From the first control after the button row.
    const auto rect = [&](QWidget* w) { return QRect(w->mapTo(&window, QPoint()), w->size()); };
    const auto inRow = [&](QWidget* w) { return rect(w).top() >= 270; };
    for (qsizetype turn = 0; turn < cycle.size() && !(inRow(cycle.last()) && !inRow(cycle[0]));
         ++turn)
        cycle.move(0, cycle.size() - 1);
    for (qsizetype i = 0; i < cycle.size(); ++i) {
        for (qsizetype j = i + 1; j < cycle.size(); ++j) {
            const QRect a = rect(cycle[i]), b = rect(cycle[j]);
            const bool sameColumn = a.left() <= b.right() && b.left() <= a.right();
            EXPECT_FALSE(inRow(cycle[i]) && (!inRow(cycle[j]) || b.left() < a.left()))
                << "page " << page << ": " << cycle[j]->objectName().toStdString();
            EXPECT_FALSE(sameColumn && b.bottom() < a.top())
                << "page " << page << ": " << cycle[j]->objectName().toStdString() << " above "
                << cycle[i]->objectName().toStdString() << " comes after it";
        }
    }
}

} // namespace

// Alt and the underlined letter reach their control on every page of a manual run and in
// every dialog: no letter is taken twice, no label underlines a letter that does nothing.
// Tab reaches every control once, in reading order.
TEST(WindowEdge, EveryAcceleratorReachesItsControl) {
    ClearClipboard();
    testutil::TempDir dir;
    const testutil::InFolder folder(dir.path());
    Wizard w({WritePicture(Q(dir / "a.bmp"), 40, 20), WritePicture(Q(dir / "b.bmp"), 20, 40)});
    int pressed = 0;
    for (int page : {PageSource, PageBatchMode, PageResolution, PageSizing, PageMasking, PageSaving,
                     PageResolution, PageSizing, PageMasking, PageSaving,
                     PageFinish}) { // two pictures, then the end
        ASSERT_EQ(w.Page(), page);
        if (page == PageSizing) w.Click("RadioCrop"); // the crop button takes its accelerator then
        pressed += PressEveryAccelerator(*w.Form);
        ExpectTabOrder(*w.Form, page);
        if (page != PageFinish) w.Click("NextButton"); // Save on the saving page
    }
    EXPECT_EQ(pressed, 39); // every underlined letter the pages show

    TJobState job;
    FakeSettingsStore store;
    TPreSetForm preSetForm(job, store, w.Dialogs);
    preSetForm.show();
    EXPECT_EQ(PressEveryAccelerator(preSetForm), 6);
}

// OK in the font dialog on a size the windows cannot hold says so and keeps the dialog open.
TEST(WindowEdge, FontDialogRefusesSizesOutsideSixToTwentyFour) {
    QFont tried;
    bool refused = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const int points : {25, 5, 24}) {
            tried.setPointSize(points);
            dialog->setCurrentFont(tried);
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                refused = box != nullptr;
                if (box) box->accept();
            });
            refused = false;
            dialog->accept();
            QApplication::processEvents();
            EXPECT_EQ(refused, points != 24) << points;
        }
    });
    TQtWindowDialogs dialogs;
    const std::optional<QFont> chosen = dialogs.ChooseFont(nullptr, QFont());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->pointSize(), 24);
}
