#pragma once

#include "core/InputQueue.h"
#include "core/JobState.h"
#include "core/PageStates.h"
#include "core/StepEngine.h"
#include "core/WizardView.h"
#include "process/building/JobProcessor.h"
#include "ui/FileDialog.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

#include <array>

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QToolButton;
class TAboutForm;
class TBatchPage;
class TCropForm;
class TFinishPage;
class TMaskingPage;
class TPictureBox;
class TPreSetForm;
class TResolutionPage;
class TSavingPage;
class TSettingsStore;
class TSizingPage;
class TSourcePage;
class TWindowDialogs;

// The wizard's main window. It owns the job, the processing and the step engine and is
// the engine's view: it shows the page of the current step and hands the user's answers
// and actions on. Closing it (Cancel, Finish, the close box) ends the run.
//
// The settings store and the dialogs must outlive the window.
class TForm1 : public QDialog, public WizardView {
    Q_OBJECT
public:
    // Prepares the window as the program starts: cursors, job, settings, the files named
    // on the command line (without the program's own name), the first page.
    TForm1(TSettingsStore& store, TWindowDialogs& dialogs, const QStringList& arguments,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // The three dialogs the window opens; each takes the window's font.
    void SetDialogs(TCropForm* cropForm, TAboutForm* aboutForm, TPreSetForm* preSetForm);
    // Gives one font to the window and its three dialogs.
    void ApplyFont(const QFont& font);

    TJobState& Job() { return job_; }
    TJobProcessor& Processor() { return processor_; }
    const TStepEngine& Engine() const { return engine_; }

    // Handlers of the window's controls.
    void NextButtonClick();
    void BackButtonClick();
    void CancelButtonClick();
    void MenuButtonClick();
    void FileAddButtonClick();
    void FileRemvButtonClick();
    void CropOptionClick();
    void ChooseButtonClick();
    void OutFormatComboChange(int item);
    void PresetClick();
    void Font1Click();
    void Aboutprogram1Click();
    // The window or the application became active, or the clipboard changed: the page is
    // drawn again, at once or, while the engine works, when it has finished.
    void FormActivate();

    // The view the engine sees.
    bool SourceIsClipboard() const override;
    bool BatchIsAutomatic() const override;
    int ResolutionSizeItem() const override;
    int ResolutionColorItem() const override;
    bool CropChosen() const override;
    int OutFormatItem() const override;
    QString OutLocationText() const override;
    bool ReplaceChecked() const override;
    void SetOutFormatItem(int item) override;
    void SetChooserFilter(const QString& filter) override;
    void SetSaveControlsEnabled(bool enabled) override;
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgressPosition(int position) override;
    void SetProgressVisible(bool visible) override;
    void SetButtonsEnabled(bool enabled) override;
    void SetStopAllowed(bool allowed) override;
    void SetBusyCursor(bool busy) override;
    void SetInputHeld(bool held) override;
    void ProcessPendingEvents() override;
    void ShowPage() override;
    void ShowMessage(const QString& text, const QString& caption) override;
    void CloseWizard() override;
    bool ClipboardHasBitmap() const override;
    QImage ClipboardImage() const override;

    void UpdateTitle(TTitleKind kind);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc: Cancel where that loses nothing (the engine decides).
    void reject() override;

private:
    void CreateFixedParts();
    void CreatePages();
    void ConnectControls();
    // Runs an engine action, then draws a page whose drawing was put off meanwhile.
    template <typename Action> void RunEngine(Action action);
    // The window around the page of the current step: which page, the side picture, the
    // title, dropped files and the buttons; ShowPage then draws the page itself.
    void ShowWindowState(const TWindowState& window);
    static QStringList DroppedFiles(const QDropEvent& event);

    TJobState job_;
    TInputQueue queue_{job_.InputList};
    TJobProcessor processor_{job_, *this};
    TStepEngine engine_{job_, *this, processor_};
    TFileDialog fileDialog_;
    TSettingsStore& store_;
    TWindowDialogs& dialogs_;
    // The font dialog starts from its own font: the design font, then the last chosen.
    QFont fontDialogFont_;

    TCropForm* cropForm_ = nullptr;
    TAboutForm* aboutForm_ = nullptr;
    TPreSetForm* preSetForm_ = nullptr;

    QFrame* leftPicturePanel_ = nullptr;
    TPictureBox* sidePicture_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QMenu* moreMenu_ = nullptr;
    QAction* presetAction_ = nullptr;
    QAction* fontAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    TSourcePage* sourcePage_ = nullptr;
    TBatchPage* batchPage_ = nullptr;
    TResolutionPage* resolutionPage_ = nullptr;
    TSizingPage* sizingPage_ = nullptr;
    TMaskingPage* maskingPage_ = nullptr;
    TSavingPage* savingPage_ = nullptr;
    TFinishPage* finishPage_ = nullptr;
    std::array<QWidget*, 7> pages_{}; // in step order

    bool inputHeld_ = false;
    bool stopAllowed_ = false;
    bool drawing_ = false;
    bool redrawPending_ = false;
    bool closing_ = false;
};
