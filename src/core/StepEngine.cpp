#include "core/StepEngine.h"

#include "core/PageTexts.h"
#include "core/PathParts.h"
#include "core/PictureProcessor.h"
#include "core/WizardView.h"

#include <array>
#include <exception>

namespace {

constexpr std::array<std::int32_t, 3> kSizeByItem{16, 32, 48};
constexpr std::array<std::int32_t, 2> kDepthByItem{4, 8};
constexpr std::array<TOutFormat, 3> kFormatByItem{TOutFormat::Ico, TOutFormat::Mico,
                                                  TOutFormat::Bmp};

// Holds the window's input and the engine's own guard for the length of one loop, and
// gives both back however the loop ends.
class LoopGuard {
public:
    LoopGuard(bool& running, WizardWindow& window) : running_(running), window_(window) {
        running_ = true;
        window_.SetInputHeld(true);
        window_.SetBusyCursor(true);
    }
    ~LoopGuard() {
        releaseView();
        running_ = false;
    }
    LoopGuard(const LoopGuard&) = delete;
    LoopGuard& operator=(const LoopGuard&) = delete;

    // Normal cursor and input back before the page is drawn; the engine stays guarded
    // until the guard goes away, so a call from inside ShowPage or a message box is
    // still ignored.
    void releaseView() {
        if (!viewReleased_) {
            viewReleased_ = true;
            window_.SetBusyCursor(false);
            window_.SetInputHeld(false);
        }
    }

private:
    bool& running_;
    WizardWindow& window_;
    bool viewReleased_ = false;
};

} // namespace

TStepEngine::TStepEngine(TJobState& job, const PageAnswers& answers, SavePageControls& savePage,
                         WizardWindow& window, WizardMessages& messages,
                         PictureProcessor& processor)
    : job_(job), answers_(answers), savePage_(savePage), window_(window), messages_(messages),
      processor_(processor) {}

TStepEngine::TStepEngine(TJobState& job, WizardView& view, PictureProcessor& processor)
    : TStepEngine(job, view, view, view, view, processor) {}

QString TStepEngine::ErrorCaption() {
    return ApplicationTitle();
}

void TStepEngine::NextButtonClick() {
    RunLoop(true);
}

void TStepEngine::BackButtonClick() {
    RunLoop(false);
}

void TStepEngine::CancelButtonClick() {
    if (closed_) return;
    if (!running_) {
        Close();
    } else if (autoPart_ && !stopRequested_) {
        stopRequested_ = true;
        window_.SetStopAllowed(false); // taken: greyed until the picture in hand is done
    }
}

void TStepEngine::CloseRequested() {
    if (closed_) return;
    if (running_) closeRequested_ = true;
    CancelButtonClick();
}

void TStepEngine::EscapePressed() {
    if (running_ || closed_) return;
    if (job_.Step == PageSource || job_.Step == PageFinish) Close();
}

bool TStepEngine::AcceptsDroppedFiles() const {
    return !running_ && !closed_ && job_.Step == PageSource;
}

void TStepEngine::Close() {
    closed_ = true;
    window_.CloseWizard();
}

void TStepEngine::RunLoop(bool forward) {
    if (running_ || closed_) return;
    LoopGuard guard(running_, window_);

    QString failure;
    bool failed = false;
    job_.WaitForUser = false;
    try {
        while (!job_.WaitForUser) {
            if (stopRequested_) {
                job_.Record.Stopped = true;
                EnterStep(PageFinish);
                break;
            }
            if (forward)
                StepForward();
            else
                StepBack();
            if (closed_) break;
            window_.ProcessPendingEvents();
        }
    } catch (const ERunInterrupted&) {
        // Asked to stop: the wizard closes; nothing is left half-done to report.
        Close();
    } catch (const std::exception& error) {
        failed = true;
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failed = true;
        failure = QStringLiteral("Unknown error");
    }

    if (autoPart_) window_.SetStopAllowed(false);
    autoPart_ = false;
    stopRequested_ = false;
    guard.releaseView();
    if (closed_) return;
    if (closeRequested_) {
        Close();
        return;
    }
    if (failed) {
        // The step stays where the error left it and waits for the user. Leaving the save
        // page disables its controls before writing; give them back so Save can be tried
        // again (for instance with another location).
        job_.WaitForUser = true;
        if (job_.Step == PageSaving) {
            savePage_.SetSaveControlsEnabled(true);
            savePage_.SetProgressVisible(false);
        }
    }
    window_.ShowPage();
    if (failed) messages_.ShowMessage(failure, ErrorCaption());
}

void TStepEngine::StepForward() {
    job_.WaitForUser = true;
    const bool usePresets = job_.AutoMode;
    switch (job_.Step) {
    case PageSource:
        job_.FileCount =
            answers_.SourceIsClipboard() ? 1 : static_cast<std::int32_t>(job_.InputList.size());
        job_.FileIndex = 0;
        job_.SubIndex = 0;
        job_.AutoMode = false;
        job_.Record = TRunRecord{};
        // An empty queue has nothing to convert; the source page stays.
        if (job_.FileCount > 0) EnterStep(PageBatchMode);
        break;
    case PageBatchMode:
        job_.AutoMode = answers_.BatchIsAutomatic();
        EnterStep(PageResolution);
        break;
    case PageResolution:
        if (usePresets || job_.FixResolution) {
            job_.IconSize = job_.PresetIconSize;
            job_.IconBPP = job_.PresetIconBPP;
            // Also passes the sizing page: entering a step never raises WaitForUser.
            job_.WaitForUser = false;
        } else {
            const int size = answers_.ResolutionSizeItem();
            const int depth = answers_.ResolutionColorItem();
            if (size >= 0 && size < static_cast<int>(kSizeByItem.size()))
                job_.IconSize = kSizeByItem[static_cast<std::size_t>(size)];
            if (depth >= 0 && depth < static_cast<int>(kDepthByItem.size()))
                job_.IconBPP = kDepthByItem[static_cast<std::size_t>(depth)];
        }
        EnterStep(PageSizing);
        break;
    case PageSizing:
        job_.Sizing = SizingFor(job_, usePresets || job_.FixSizing ? job_.PresetSizing
                                      : answers_.CropChosen()      ? TSizing::Crop
                                                                   : TSizing::Scale);
        EnterStep(PageMasking);
        break;
    case PageMasking:
        if (usePresets || job_.FixMasking) {
            job_.Masking = job_.PresetMasking;
            if (job_.Masking == TMasking::Auto) processor_.AutoMask();
        }
        EnterStep(PageSaving);
        break;
    case PageSaving:
        LeaveSavingStep();
        break;
    case PageFinish:
        Close();
        break;
    default:
        break;
    }
}

// The Save press; the order matters: the answers are taken over before the output is
// prepared, and the controls are off before anything is written.
void TStepEngine::LeaveSavingStep() {
    const int item = answers_.OutFormatItem();
    if (item >= 0 && item < static_cast<int>(kFormatByItem.size()))
        job_.OutFormat = kFormatByItem[static_cast<std::size_t>(item)];

    const QString location = answers_.OutLocationText();
    if (job_.OutIsDirectory) {
        job_.OutDir = location;
    } else {
        job_.OutPath = location;
        job_.OutDir = FolderPart(location);
    }

    processor_.PrepareOutput();

    // In the automatic part the buttons are off already, but for Cancel, which is Stop.
    if (!autoPart_) window_.SetButtonsEnabled(false);
    savePage_.SetSaveControlsEnabled(false);
    if (!autoPart_) savePage_.SetProgressPosition(job_.FileIndex);
    savePage_.SetProgressVisible(true);
    if (job_.AutoMode && job_.SavePageShown && !autoPart_) {
        // The Save press of an automatic run: Cancel becomes Stop, and the page shows its
        // state before the first picture is written.
        autoPart_ = true;
        window_.SetStopAllowed(true);
        window_.ProcessPendingEvents();
    }

    processor_.WriteOutput(answers_.ReplaceChecked());

    const bool more = AdvanceSource();
    if (more && autoPart_) savePage_.SetProgressPosition(job_.FileIndex);
    EnterStep(more ? PageResolution : PageFinish);
}

void TStepEngine::ShowRunProgress() {
    savePage_.SetSaveControlsEnabled(false);
    savePage_.SetProgressVisible(true);
}

void TStepEngine::StepBack() {
    job_.WaitForUser = true;
    if (!CanGoBack()) return;
    if (job_.Step == PageSaving) job_.SavePageShown = false;
    EnterStep(static_cast<WizardPage>(job_.Step - 1));
}

bool TStepEngine::CanGoBack() const {
    switch (job_.Step) {
    case PageSource:
    case PageFinish:
        return false;
    case PageResolution:
        // Pictures already saved cannot be gone back to.
        return job_.FileIndex == 0 && job_.SubIndex == 0;
    default:
        return true;
    }
}

void TStepEngine::EnterStep(WizardPage n) {
    if (n < PageSource || n > PageFinish) return;
    job_.Step = n;
    const bool usePresets = job_.AutoMode;
    switch (n) {
    case PageBatchMode:
        savePage_.SetProgressRange(0, job_.FileCount - 1);
        if (job_.FileCount <= 1) job_.WaitForUser = false;
        break;
    case PageResolution:
        processor_.LoadPicture();
        if (usePresets || job_.FixResolution) job_.WaitForUser = false;
        break;
    case PageSizing: {
        const bool work = processor_.PrepareCrop();
        if (!work || usePresets || job_.FixSizing || PictureFitsIcon(job_))
            job_.WaitForUser = false;
        break;
    }
    case PageMasking: {
        const bool work = processor_.BuildIcon();
        if (!work || usePresets || job_.FixMasking) job_.WaitForUser = false;
        break;
    }
    case PageSaving:
        if (!processor_.PrepareOutput()) {
            job_.WaitForUser = false;
        } else if (autoPart_) {
            // Preparing the output gives the page back for a save page to be shown; the
            // automatic part goes on and keeps it as it was.
            ShowRunProgress();
            job_.WaitForUser = false;
        } else if (usePresets && job_.WaitForUser) {
            // An automatic run asks where to save once, for its first picture that loaded.
            if (job_.SavePageShown)
                job_.WaitForUser = false;
            else
                job_.SavePageShown = true;
        }
        break;
    default: // the source and finish pages have no work and always stop
        break;
    }
}

bool TStepEngine::AdvanceSource() {
    if (job_.SubCount > 1) {
        if (job_.SubIndex < job_.SubCount - 1) {
            ++job_.SubIndex;
            return true;
        }
        if (job_.FileIndex < job_.FileCount - 1) {
            job_.SubIndex = 0;
            ++job_.FileIndex;
            return true;
        }
        return false;
    }
    job_.SubIndex = 0;
    if (job_.FileIndex < job_.FileCount - 1) {
        ++job_.FileIndex;
        return true;
    }
    return false;
}
