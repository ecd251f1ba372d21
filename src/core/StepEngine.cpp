#include "core/StepEngine.h"

#include "core/PictureProcessor.h"
#include "core/WizardView.h"

#include <algorithm>
#include <array>
#include <exception>

namespace {

constexpr std::array<std::int32_t, 3> kSizeByItem{16, 32, 48};
constexpr std::array<std::int32_t, 2> kDepthByItem{4, 8};
const std::array<QString, 3> kFormatByItem{QStringLiteral("ICO"), QStringLiteral("MICO"),
                                           QStringLiteral("BMP")};

// The folder part of a path, up to and including its last separator; empty when the
// path names no folder.
QString folderPart(const QString& path) {
    qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    cut = std::max(cut, path.lastIndexOf(QLatin1Char('\\')));
#endif
    return cut < 0 ? QString() : path.left(cut + 1);
}

// Holds the view's input and the engine's own guard for the length of one loop, and
// gives both back however the loop ends.
class LoopGuard {
public:
    LoopGuard(bool& running, WizardView& view) : running_(running), view_(view) {
        running_ = true;
        view_.SetInputHeld(true);
        view_.SetBusyCursor(true);
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
            view_.SetBusyCursor(false);
            view_.SetInputHeld(false);
        }
    }

private:
    bool& running_;
    WizardView& view_;
    bool viewReleased_ = false;
};

} // namespace

TStepEngine::TStepEngine(TJobState& job, WizardView& view, PictureProcessor& processor)
    : job_(job), view_(view), processor_(processor) {}

QString TStepEngine::ErrorCaption() {
    return QStringLiteral("Vantrel Tessaly 3.5");
}

void TStepEngine::NextButtonClick() {
    RunLoop(true);
}

void TStepEngine::BackButtonClick() {
    RunLoop(false);
}

void TStepEngine::CancelButtonClick() {
    if (running_ || closed_) return;
    Close();
}

bool TStepEngine::AcceptsDroppedFiles() const {
    return !running_ && !closed_ && job_.Step == PageSource;
}

void TStepEngine::Close() {
    closed_ = true;
    view_.CloseWizard();
}

void TStepEngine::RunLoop(bool forward) {
    if (running_ || closed_) return;
    LoopGuard guard(running_, view_);

    QString failure;
    bool failed = false;
    job_.WaitForUser = false;
    try {
        while (!job_.WaitForUser) {
            if (forward)
                StepForward();
            else
                StepBack();
            if (closed_) break;
            view_.ProcessPendingEvents();
        }
    } catch (const std::exception& error) {
        failed = true;
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failed = true;
        failure = QStringLiteral("Unknown error");
    }

    guard.releaseView();
    if (closed_) return;
    if (failed) {
        // The step stays where the error left it and waits for the user. Leaving the save
        // page disables its controls before writing; give them back so Save can be tried
        // again (for instance with another location).
        job_.WaitForUser = true;
        if (job_.Step == PageSaving) {
            view_.SetSaveControlsEnabled(true);
            view_.SetProgressVisible(false);
        }
    }
    view_.ShowPage();
    if (failed) view_.ShowMessage(failure, ErrorCaption());
}

void TStepEngine::StepForward() {
    job_.WaitForUser = true;
    const bool usePresets = job_.AutoMode == 1;
    switch (job_.Step) {
    case PageSource:
        job_.FileCount =
            view_.SourceIsClipboard() ? 1 : static_cast<std::int32_t>(job_.InputList.size());
        job_.FileIndex = 0;
        job_.SubIndex = 0;
        job_.AutoMode = 0;
        // An empty queue has nothing to convert; the source page stays.
        if (job_.FileCount > 0) EnterStep(PageBatchMode);
        break;
    case PageBatchMode:
        job_.AutoMode = view_.BatchIsAutomatic() ? 1 : 0;
        EnterStep(PageResolution);
        break;
    case PageResolution:
        if (usePresets || job_.FixResolution) {
            job_.IconSize = job_.PresetIconSize;
            job_.IconBPP = job_.PresetIconBPP;
            // Also passes the sizing page: entering a step never raises WaitForUser.
            job_.WaitForUser = false;
        } else {
            const int size = view_.ResolutionSizeItem();
            const int depth = view_.ResolutionColorItem();
            if (size >= 0 && size < static_cast<int>(kSizeByItem.size()))
                job_.IconSize = kSizeByItem[static_cast<std::size_t>(size)];
            if (depth >= 0 && depth < static_cast<int>(kDepthByItem.size()))
                job_.IconBPP = kDepthByItem[static_cast<std::size_t>(depth)];
        }
        EnterStep(PageSizing);
        break;
    case PageSizing:
        if (usePresets || job_.FixSizing)
            job_.Sizing = job_.PresetSizing;
        else
            job_.Sizing = view_.CropChosen() ? 1 : 0;
        if (job_.InputImage.width() == job_.IconSize && job_.InputImage.height() == job_.IconSize)
            job_.Sizing = 0;
        EnterStep(PageMasking);
        break;
    case PageMasking:
        if (usePresets || job_.FixMasking) {
            job_.Masking = job_.PresetMasking;
            if (job_.Masking == 1) processor_.AutoMask();
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
    const int item = view_.OutFormatItem();
    if (item >= 0 && item < static_cast<int>(kFormatByItem.size()))
        job_.OutFormat = kFormatByItem[static_cast<std::size_t>(item)];

    const QString location = view_.OutLocationText();
    if (job_.OutIsDirectory == 1) {
        job_.OutDir = location;
    } else {
        job_.OutPath = location;
        job_.OutDir = folderPart(location);
    }

    processor_.PrepareOutput();

    view_.SetButtonsEnabled(false);
    view_.SetSaveControlsEnabled(false);
    view_.SetProgressPosition(job_.FileIndex);
    view_.SetProgressVisible(true);

    processor_.WriteOutput(view_.ReplaceChecked());

    EnterStep(AdvanceSource() ? PageResolution : PageFinish);
}

void TStepEngine::StepBack() {
    job_.WaitForUser = true;
    switch (job_.Step) {
    case PageBatchMode:
        EnterStep(PageSource);
        break;
    case PageResolution:
        // Pictures already saved cannot be gone back to.
        if (job_.FileIndex == 0 && job_.SubIndex == 0) EnterStep(PageBatchMode);
        break;
    case PageSizing:
        EnterStep(PageResolution);
        break;
    case PageMasking:
        EnterStep(PageSizing);
        break;
    case PageSaving:
        job_.SavePageShown = false;
        EnterStep(PageMasking);
        break;
    default: // the source and finish pages stay
        break;
    }
}

void TStepEngine::EnterStep(int n) {
    if (n < PageSource || n > PageFinish) return;
    job_.Step = static_cast<std::uint8_t>(n);
    const bool usePresets = job_.AutoMode == 1;
    switch (n) {
    case PageBatchMode:
        view_.SetProgressRange(0, job_.FileCount - 1);
        if (job_.FileCount <= 1) job_.WaitForUser = false;
        break;
    case PageResolution:
        processor_.LoadPicture();
        if (usePresets || job_.FixResolution) job_.WaitForUser = false;
        break;
    case PageSizing: {
        const bool work = processor_.PrepareCrop();
        const bool fits =
            job_.InputImage.width() == job_.IconSize && job_.InputImage.height() == job_.IconSize;
        if (!work || usePresets || job_.FixSizing || fits) job_.WaitForUser = false;
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
