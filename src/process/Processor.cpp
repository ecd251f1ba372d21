#include "process/Processor.h"

#include "core/WizardView.h"
#include "process/Fitting.h"
#include "process/IconBuild.h"
#include "process/PictureLoader.h"
#include "process/PicturePipeline.h"

#include <exception>

TPictureProcessor::TPictureProcessor(TJobState& job, const PageAnswers& page,
                                     const WizardClipboard& clipboard, WizardMessages& messages,
                                     SavePageControls& savePage, WizardWindow& window)
    : job_(job), page_(page), clipboard_(clipboard), messages_(messages), savePage_(savePage),
      window_(window) {}

TPictureProcessor::TPictureProcessor(TJobState& job, WizardView& view)
    : TPictureProcessor(job, view, view, view, view, view) {}

void TPictureProcessor::LoadPicture() {
    completion_.Drop();
    prepared_ = pipeline_ ? pipeline_->Take(job_.FileIndex, job_.SubIndex) : nullptr;
    if (prepared_) {
        const TPreparedPicture& p = *prepared_;
        if (p.ErrorStage == TPreparedPicture::AtLoad) std::rethrow_exception(p.Error);
        BeginLoading(job_);
        job_.SubCount = p.SubCount;
        job_.IconFileIndex = p.IconFileIndex;
        job_.IconFileCount = p.IconFileCount;
        if (p.Loaded) {
            job_.InputImage = p.InputImage;
            job_.InputRowsFor = p.InputRowsFor;
            if (p.SourceKind == TSourceKind::Ico) { // only icon files are read into maps
                job_.IconMap = p.LoadedIconMap;
                job_.SourceMaskMap = p.SourceMaskMap;
            }
            job_.SourceKind = p.SourceKind;
            ++tally_.Loaded;
        } else {
            ++tally_.LoadFailed;
            ReportLoadFailure(p.Failure);
        }
        return;
    }
    // The resolution page is shown: its preview is all a large photo is needed for now.
    const int previewScale = previewScale_ ? previewScale_() : 0;
    if (previewScale > 0 && !job_.AutoMode && !job_.FixResolution && !page_.SourceIsClipboard() &&
        job_.FileIndex >= 0 && job_.FileIndex < job_.InputList.size() &&
        completion_.LoadPreview(job_, job_.InputList.at(job_.FileIndex), previewScale)) {
        ++tally_.Loaded;
        return;
    }
    // Scaling is certain only in an automatic run with the preset to scale.
    const bool scales = scaleOnly_ && job_.AutoMode && job_.PresetSizing == 0;
    loadWhole(scales ? job_.PresetIconSize : 0);
}

void TPictureProcessor::loadWhole(std::int32_t rowsFor) {
    TLoadFailure failure;
    if (LoadPictureQuietly(job_, page_, clipboard_, rowsFor, &failure)) {
        ++tally_.Loaded;
        return;
    }
    ++tally_.LoadFailed;
    ReportLoadFailure(failure);
}

void TPictureProcessor::CompletePicture() {
    if (!completion_.Pending() || completion_.Complete(job_)) return;
    // Decoded once with the preview's rows but not in full (a file damaged or changed in
    // between): loaded again as any picture is, and reported if it still fails.
    --tally_.Loaded;
    loadWhole(0);
}

void TPictureProcessor::ReportLoadFailure(const TLoadFailure& failure) {
    messages_.ShowMessage(QStringLiteral("Cannot load picture ") + failure.Name,
                          QStringLiteral("Picture error"));
}

bool TPictureProcessor::PrepareCrop() {
    CompletePicture();
    return ::PrepareCrop(job_, crop_);
}

bool TPictureProcessor::BuildIcon() {
    CompletePicture();
    if (prepared_ && prepared_->IconSize == job_.IconSize && prepared_->IconBPP == job_.IconBPP &&
        prepared_->Sizing == job_.Sizing && job_.SourceKind == prepared_->SourceKind) {
        const TPreparedPicture& p = *prepared_;
        if (p.ErrorStage == TPreparedPicture::AtBuild) std::rethrow_exception(p.Error);
        if (p.IconBuilt) {
            job_.IconMap = p.BuiltIconMap;
            job_.MaskMap = p.BuiltMaskMap;
            job_.IconImage = p.IconImage;
        }
        return p.IconBuilt;
    }
    prepared_.reset(); // the answers changed: this picture is done here from now on
    return ::BuildIcon(job_, crop_, &window_);
}

void TPictureProcessor::AutoMask() {
    if (prepared_ && (prepared_->Masked || prepared_->ErrorStage == TPreparedPicture::AtMask)) {
        const TPreparedPicture& p = *prepared_;
        if (p.ErrorStage == TPreparedPicture::AtMask) std::rethrow_exception(p.Error);
        job_.IconMap = p.MaskedIconMap;
        job_.MaskMap = p.MaskedMaskMap;
        return;
    }
    ::AutoMask(job_);
}

bool TPictureProcessor::PrepareOutput() {
    return ::PrepareOutput(job_, savePage_);
}

void TPictureProcessor::WriteOutput(bool replace) {
    lastWrite_ = TWriteResult::Nothing;
    lastWriteError_.clear();
    try {
        lastWrite_ = ::WriteOutput(job_, replace, prepared_ ? prepared_->Staged.get() : nullptr);
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
