#include "process/Processor.h"

#include "core/WizardView.h"
#include "process/Fitting.h"
#include "process/IconBuild.h"
#include "process/PictureLoader.h"

#include <exception>

TPictureProcessor::TPictureProcessor(TJobState& job, const PageAnswers& page,
                                     const WizardClipboard& clipboard, WizardMessages& messages,
                                     SavePageControls& savePage, WizardWindow& window)
    : job_(job), page_(page), clipboard_(clipboard), messages_(messages), savePage_(savePage),
      window_(window) {}

TPictureProcessor::TPictureProcessor(TJobState& job, WizardView& view)
    : TPictureProcessor(job, view, view, view, view, view) {}

void TPictureProcessor::LoadPicture() {
    // Scaling is certain only in an automatic run with the preset to scale.
    const bool scales = scaleOnly_ && job_.AutoMode && job_.PresetSizing == 0;
    TLoadFailure failure;
    if (LoadPictureQuietly(job_, page_, clipboard_, scales ? job_.PresetIconSize : 0, &failure)) {
        ++tally_.Loaded;
        return;
    }
    ++tally_.LoadFailed;
    ReportLoadFailure(failure);
}

void TPictureProcessor::ReportLoadFailure(const TLoadFailure& failure) {
    messages_.ShowMessage(QStringLiteral("Cannot load picture ") + failure.Name,
                          QStringLiteral("Picture error"));
}

bool TPictureProcessor::PrepareCrop() {
    return ::PrepareCrop(job_, crop_);
}

bool TPictureProcessor::BuildIcon() {
    return ::BuildIcon(job_, crop_, &window_);
}

void TPictureProcessor::AutoMask() {
    ::AutoMask(job_);
}

bool TPictureProcessor::PrepareOutput() {
    return ::PrepareOutput(job_, savePage_);
}

void TPictureProcessor::WriteOutput(bool replace) {
    lastWrite_ = TWriteResult::Nothing;
    lastWriteError_.clear();
    try {
        lastWrite_ = ::WriteOutput(job_, replace);
    } catch (const std::exception& e) {
        ++tally_.WriteFailed;
        lastWriteError_ = QString::fromUtf8(e.what());
        throw;
    }
    if (lastWrite_ == TWriteResult::Written)
        ++tally_.Written;
    else if (lastWrite_ == TWriteResult::KeptExisting)
        ++tally_.KeptExisting;
}
