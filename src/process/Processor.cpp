#include "process/Processor.h"

#include "core/WizardView.h"
#include "process/Fitting.h"
#include "process/IconBuild.h"
#include "process/PictureLoader.h"

#include <exception>

TPictureProcessor::TPictureProcessor(TJobState& job, WizardView& view) : job_(job), view_(view) {}

void TPictureProcessor::LoadPicture() {
    // Scaling is certain only in an automatic run with the preset to scale.
    const bool scales = scaleOnly_ && job_.AutoMode == 1 && job_.PresetSizing == 0;
    TLoadFailure failure;
    if (LoadPictureQuietly(job_, view_, scales ? job_.PresetIconSize : 0, &failure)) {
        ++tally_.Loaded;
        return;
    }
    ++tally_.LoadFailed;
    ReportLoadFailure(failure);
}

void TPictureProcessor::ReportLoadFailure(const TLoadFailure& failure) {
    view_.ShowMessage(QStringLiteral("Cannot load picture ") + failure.Name,
                      QStringLiteral("Picture error"));
}

bool TPictureProcessor::PrepareCrop() {
    return ::PrepareCrop(job_, crop_);
}

bool TPictureProcessor::BuildIcon() {
    return ::BuildIcon(job_, crop_, &view_);
}

void TPictureProcessor::AutoMask() {
    ::AutoMask(job_);
}

bool TPictureProcessor::PrepareOutput() {
    return ::PrepareOutput(job_, view_);
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
