#pragma once

#include "core/InputQueue.h"
#include "core/JobState.h"
#include "core/PageTexts.h"
#include "core/StepEngine.h"
#include "core/WizardView.h"
#include "process/Processor.h"
#include "ui/FileDialog.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

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

    TJobState& Job() { return Job_; }
    TPictureProcessor& Processor() { return Processor_; }
    const TStepEngine& Engine() const { return Engine_; }

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
    static QStringList DroppedFiles(const QDropEvent& event);

    TJobState Job_;
    TInputQueue Queue_{Job_.InputList};
    TPictureProcessor Processor_{Job_, *this};
    TStepEngine Engine_{Job_, *this, Processor_};
    TFileDialog FileDialog;
    TSettingsStore& Store_;
    TWindowDialogs& Dialogs_;
    // The font dialog starts from its own font: the design font, then the last chosen.
    QFont FontDialogFont_;

    TCropForm* CropForm_ = nullptr;
    TAboutForm* AboutForm_ = nullptr;
    TPreSetForm* PreSetForm_ = nullptr;

    QFrame* LeftPicturePanel = nullptr;
    TPictureBox* SidePicture_ = nullptr;
    QToolButton* MenuButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QMenu* MoreMenu_ = nullptr;
    QAction* Preset = nullptr;
    QAction* Font1 = nullptr;
    QAction* Aboutprogram1 = nullptr;

    TSourcePage* SourcePage_ = nullptr;
    TBatchPage* BatchPage_ = nullptr;
    TResolutionPage* ResolutionPage_ = nullptr;
    TSizingPage* SizingPage_ = nullptr;
    TMaskingPage* MaskingPage_ = nullptr;
    TSavingPage* SavingPage_ = nullptr;
    TFinishPage* FinishPage_ = nullptr;

    bool inputHeld_ = false;
    bool stopAllowed_ = false;
    bool drawing_ = false;
    bool redrawPending_ = false;
    bool closing_ = false;
};
