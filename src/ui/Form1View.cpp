// The main window as the engine's view: the pages' answers, the controls the engine sets,
// drawing the page of the current step, and the window's own events.
#include "ui/Form1.h"

#include "core/PagePreviews.h"
#include "core/PageTexts.h"
#include "image/FileNames.h"
#include "process/OutputNaming.h"
#include "ui/BatchPage.h"
#include "ui/FinishPage.h"
#include "ui/MaskingPage.h"
#include "ui/ResolutionPage.h"
#include "ui/SavingPage.h"
#include "ui/SizingPage.h"
#include "ui/SourcePage.h"
#include "ui/WindowDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QPushButton>
#include <QScopedValueRollback>

#include <array>

bool TForm1::SourceIsClipboard() const {
    return SourcePage_->ClipboardChosen();
}

bool TForm1::BatchIsAutomatic() const {
    return BatchPage_->IsAutomatic();
}

int TForm1::ResolutionSizeItem() const {
    return ResolutionPage_->SizeItem();
}

int TForm1::ResolutionColorItem() const {
    return ResolutionPage_->ColorItem();
}

bool TForm1::CropChosen() const {
    return SizingPage_->CropChosen();
}

int TForm1::OutFormatItem() const {
    return SavingPage_->FormatItem();
}

QString TForm1::OutLocationText() const {
    return SavingPage_->LocationText();
}

bool TForm1::ReplaceChecked() const {
    return SavingPage_->ReplaceChecked();
}

void TForm1::SetOutFormatItem(int item) {
    SavingPage_->SetFormatItem(item);
}

void TForm1::SetChooserFilter(const QString& filter) {
    FileDialog.Filter = filter;
}

void TForm1::SetSaveControlsEnabled(bool enabled) {
    SavingPage_->SetControlsEnabled(enabled);
}

void TForm1::SetProgressRange(int minimum, int maximum) {
    SavingPage_->SetProgressRange(minimum, maximum);
}

void TForm1::SetProgressPosition(int position) {
    SavingPage_->SetProgressPosition(position);
}

void TForm1::SetProgressVisible(bool visible) {
    SavingPage_->SetProgressVisible(visible);
}

void TForm1::SetButtonsEnabled(bool enabled) {
    BackButton->setEnabled(enabled);
    NextButton->setEnabled(enabled);
    CancelButton->setEnabled(enabled);
}

void TForm1::SetStopAllowed(bool allowed) {
    stopAllowed_ = allowed;
    CancelButton->setEnabled(allowed);
    // The hourglass is over the window; Cancel shows that it can be clicked, and has the
    // focus so that Space stops the run from the keyboard.
    if (allowed) {
        CancelButton->setCursor(Qt::ArrowCursor);
        CancelButton->setFocus(Qt::OtherFocusReason);
    } else {
        CancelButton->unsetCursor();
    }
}

void TForm1::SetBusyCursor(bool busy) {
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void TForm1::SetInputHeld(bool held) {
    if (held == inputHeld_) return;
    inputHeld_ = held;
    if (held)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (!inputHeld_ || !watched->isWidgetType()) return QDialog::eventFilter(watched, event);
    // Only this window's input is held; a message box the work shows meanwhile takes its own.
    if (static_cast<QWidget*>(watched)->window() != this)
        return QDialog::eventFilter(watched, event);
    // Cancel, when it means Stop, takes its input.
    if (stopAllowed_ && watched == CancelButton) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void TForm1::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void TForm1::ShowPage() {
    if (drawing_) return;
    const QScopedValueRollback<bool> drawing(drawing_, true);
    redrawPending_ = false;
    const int step = Job_.Step;
    const std::array<QWidget*, 7> pages{SourcePage_, BatchPage_, ResolutionPage_, SizingPage_, MaskingPage_, SavingPage_, FinishPage_};
    for (std::size_t i = 0; i < pages.size(); ++i)
        pages[i]->setVisible(static_cast<int>(i) == step);
    // The masking page is wider and covers the side picture.
    LeftPicturePanel->setVisible(step != PageMasking);

    NextButton->setText(NextCaption(step));
    BackButton->setText(BackCaption());
    CancelButton->setText(CancelCaption());
    SetButtonsEnabled(true);
    setAcceptDrops(step == PageSource);

    switch (step) {
    case PageSource: {
        BackButton->setEnabled(false);
        const TSourcePageState source =
            Queue_.SourcePage(ClipboardHasBitmap(), SourcePage_->ClipboardChosen());
        SourcePage_->Show(source);
        NextButton->setEnabled(source.NextEnabled);
        UpdateTitle(TTitleKind::Product);
        break;
    }
    case PageBatchMode:
        UpdateTitle(TTitleKind::Product);
        break;
    case PageResolution: {
        UpdateTitle(TTitleKind::StepSummary);
        ResolutionPage_->SetChoicesEnabled(true);
        if (Job_.FileIndex > 0 || Job_.SubIndex > 0) BackButton->setEnabled(false);
        const bool loaded = Job_.SourceKind != TSourceKind::None;
        if (Job_.AutoMode == 1) {
            ResolutionPage_->HidePreview();
        } else if (loaded) {
            ResolutionPage_->ShowPreview(Job_.InputImage, ScalePreviewSize(Job_.InputImage.width(),
                                                                  Job_.InputImage.height()));
        } else {
            ResolutionPage_->HidePreview();
            ResolutionPage_->SetChoicesEnabled(false);
            BackButton->setEnabled(false);
        }
        break;
    }
    case PageSizing:
        UpdateTitle(TTitleKind::StepSummary);
        SizingPage_->Show(Job_.InputImage, Processor_.CropState().CropImage(), Job_.IconSize);
        break;
    case PageMasking:
        UpdateTitle(TTitleKind::StepSummary);
        // A button held when the page was left is not held now.
        Job_.LeftDrawing = false;
        Job_.RightDrawing = false;
        MaskingPage_->ShowMasking();
        break;
    case PageSaving: {
        UpdateTitle(TTitleKind::StepSummary);
        const int item = SavingPage_->FormatItem();
        SavingPage_->SetReplaceVisible(OutputFormatAt(item).ReplaceOffered);
        SavingPage_->ShowPreview(Job_.AutoMode == 1
                                ? QImage()
                                : LastPreviewPicture(Job_, palette().color(QPalette::Button)));
        SavingPage_->Show(FormatDescription(item), LocationLabel(Job_.OutIsDirectory == 1),
                     LocationText(Job_));
        break;
    }
    case PageFinish:
        BackButton->setEnabled(false);
        CancelButton->setEnabled(false);
        UpdateTitle(TTitleKind::Product);
        FinishPage_->Show(FinishHeadline(Job_.Record), FinishDetails(Job_.Record));
        break;
    default:
        break;
    }
}

void TForm1::UpdateTitle(TTitleKind kind) {
    setWindowTitle(WindowTitle(Job_, kind, SourcePage_->ClipboardChosen()));
}

void TForm1::ShowMessage(const QString& text, const QString& caption) {
    // A name that is not UTF-8 is shown readably (image/FileNames.h).
    Dialogs_.ShowMessage(this, ReadableName(text), caption);
}

void TForm1::CloseWizard() {
    closing_ = true;
    close();
}

bool TForm1::ClipboardHasBitmap() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

QImage TForm1::ClipboardImage() const {
    return QGuiApplication::clipboard()->image();
}

void TForm1::FormActivate() {
    if (Engine_.Closed() || closing_) return;
    if (Engine_.Busy() || drawing_) {
        redrawPending_ = true;
        return;
    }
    // The save page depends on nothing outside; drawing it again would replace a location
    // the user is typing.
    if (Job_.Step == PageSaving) {
        redrawPending_ = false;
        return;
    }
    ShowPage();
}

void TForm1::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The close box is Cancel; while a loop runs the window closes once it is over.
    Engine_.CloseRequested();
    if (closing_)
        event->accept();
    else
        event->ignore();
}

void TForm1::reject() {
    Engine_.EscapePressed();
}

namespace {

// A dropped file's name by the bytes its address spells, so that a name that is not
// UTF-8 still reaches its file (image/FileNames.h).
QString LocalFileName(const QUrl& url) {
    if (!url.host().isEmpty()) return url.toLocalFile();
    return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace

QStringList TForm1::DroppedFiles(const QDropEvent& event) {
    QStringList paths;
    if (!event.mimeData()) return paths;
    for (const QUrl& url : event.mimeData()->urls())
        if (url.isLocalFile()) paths << LocalFileName(url);
    return paths;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (Engine_.AcceptsDroppedFiles() && !DroppedFiles(*event).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    if (!Engine_.AcceptsDroppedFiles()) {
        event->ignore();
        return;
    }
    Queue_.QueueDropped(DroppedFiles(*event));
    event->acceptProposedAction();
    ShowPage();
}
