// The main window as the engine's view: the pages' answers, the controls the engine sets,
// drawing the page of the current step, and the window's own events.
#include "ui/Form1.h"

#include "core/PageTexts.h"
#include "image/FileNames.h"
#include "process/building/OutputNaming.h"
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

bool TForm1::SourceIsClipboard() const {
    return sourcePage_->ClipboardChosen();
}

bool TForm1::BatchIsAutomatic() const {
    return batchPage_->IsAutomatic();
}

int TForm1::ResolutionSizeItem() const {
    return resolutionPage_->SizeItem();
}

int TForm1::ResolutionColorItem() const {
    return resolutionPage_->ColorItem();
}

bool TForm1::CropChosen() const {
    return sizingPage_->CropChosen();
}

int TForm1::OutFormatItem() const {
    return savingPage_->FormatItem();
}

QString TForm1::OutLocationText() const {
    return savingPage_->LocationText();
}

bool TForm1::ReplaceChecked() const {
    return savingPage_->ReplaceChecked();
}

void TForm1::SetOutFormatItem(int item) {
    savingPage_->SetFormatItem(item);
}

void TForm1::SetChooserFilter(const QString& filter) {
    fileDialog_.Filter = filter;
}

void TForm1::SetSaveControlsEnabled(bool enabled) {
    savingPage_->SetControlsEnabled(enabled);
}

void TForm1::SetProgressRange(int minimum, int maximum) {
    savingPage_->SetProgressRange(minimum, maximum);
}

void TForm1::SetProgressPosition(int position) {
    savingPage_->SetProgressPosition(position);
}

void TForm1::SetProgressVisible(bool visible) {
    savingPage_->SetProgressVisible(visible);
}

void TForm1::SetButtonsEnabled(bool enabled) {
    backButton_->setEnabled(enabled);
    nextButton_->setEnabled(enabled);
    cancelButton_->setEnabled(enabled);
}

void TForm1::SetStopAllowed(bool allowed) {
    stopAllowed_ = allowed;
    cancelButton_->setEnabled(allowed);
    // The hourglass is over the window; Cancel shows that it can be clicked, and has the
    // focus so that Space stops the run from the keyboard.
    if (allowed) {
        cancelButton_->setCursor(Qt::ArrowCursor);
        cancelButton_->setFocus(Qt::OtherFocusReason);
    } else {
        cancelButton_->unsetCursor();
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
    if (stopAllowed_ && watched == cancelButton_) return QDialog::eventFilter(watched, event);
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
    const TWindowState window = WindowState(job_, engine_.CanGoBack());
    ShowWindowState(window);
    switch (window.Page) {
    case PageSource: {
        const TSourcePageState source =
            queue_.SourcePage(ClipboardHasBitmap(), sourcePage_->ClipboardChosen());
        sourcePage_->Show(source);
        nextButton_->setEnabled(source.NextEnabled);
        break;
    }
    case PageResolution:
        resolutionPage_->Show(ResolutionPageState(job_));
        break;
    case PageSizing:
        sizingPage_->Show(
            SizingPageState(job_, sizingPage_->CropChosen(), processor_.CropState().CropImage()));
        break;
    case PageMasking:
        maskingPage_->ShowMasking();
        break;
    case PageSaving: {
        const int item = savingPage_->FormatItem();
        savingPage_->Show(SavingPageState(job_, item, OutputFormatAt(item).ReplaceOffered,
                                          palette().color(QPalette::Button)));
        break;
    }
    case PageFinish:
        finishPage_->Show(FinishPageState(job_.Record));
        break;
    default:
        break;
    }
}

void TForm1::ShowWindowState(const TWindowState& window) {
    for (std::size_t i = 0; i < pages_.size(); ++i)
        pages_[i]->setVisible(i == static_cast<std::size_t>(window.Page));
    leftPicturePanel_->setVisible(window.SidePictureVisible);
    setAcceptDrops(window.AcceptsDrops);
    UpdateTitle(window.Title);
    nextButton_->setText(window.NextCaption);
    backButton_->setText(BackCaption());
    cancelButton_->setText(CancelCaption());
    backButton_->setEnabled(window.BackEnabled);
    nextButton_->setEnabled(true);
    cancelButton_->setEnabled(window.CancelEnabled);
}

void TForm1::UpdateTitle(TTitleKind kind) {
    setWindowTitle(WindowTitle(job_, kind, sourcePage_->ClipboardChosen()));
}

void TForm1::ShowMessage(const QString& text, const QString& caption) {
    // A name that is not UTF-8 is shown readably (image/FileNames.h).
    dialogs_.ShowMessage(this, ReadableName(text), caption);
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
    if (engine_.Closed() || closing_) return;
    if (engine_.Busy() || drawing_) {
        redrawPending_ = true;
        return;
    }
    // The save page depends on nothing outside; drawing it again would replace a location
    // the user is typing.
    if (job_.Step == PageSaving) {
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
    engine_.CloseRequested();
    if (closing_)
        event->accept();
    else
        event->ignore();
}

void TForm1::reject() {
    engine_.EscapePressed();
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
    if (engine_.AcceptsDroppedFiles() && !DroppedFiles(*event).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    if (!engine_.AcceptsDroppedFiles()) {
        event->ignore();
        return;
    }
    queue_.QueueAll(DroppedFiles(*event));
    event->acceptProposedAction();
    ShowPage();
}
