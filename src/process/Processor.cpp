#include "process/Processor.h"

#include "core/WizardView.h"
#include "image/SystemFiles.h"
#include "process/Fitting.h"
#include "process/IconBuild.h"
#include "process/IconSet.h"
#include "process/PictureLoader.h"
#include "process/PicturePipeline.h"
#include "process/SvgLoader.h"

#include <algorithm>
#include <exception>

TPictureProcessor::TPictureProcessor(TJobState& job, const PageAnswers& page,
                                     const WizardClipboard& clipboard, WizardMessages& messages,
                                     SavePageControls& savePage, WizardWindow& window)
    : job_(job), page_(page), clipboard_(clipboard), messages_(messages), savePage_(savePage),
      window_(window) {}

TPictureProcessor::TPictureProcessor(TJobState& job, WizardView& view)
    : TPictureProcessor(job, view, view, view, view, view) {}

namespace {

// A run asked to stop goes no further than the step in hand.
void StopIfInterrupted() {
    if (const int signal = SystemFiles::InterruptSignal())
        throw ERunInterrupted("stopped by " + SystemFiles::SignalText(signal).toStdString());
}

} // namespace

void TPictureProcessor::LoadPicture() {
    StopIfInterrupted();
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
            job_.SvgData = p.SvgData;
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
    // Short of memory, the earlier picture (done with) is not kept while this one loads.
    if (pipeline_ && pipeline_->RunsAlone()) {
        job_.InputImage = QImage();
        job_.IconImage = QImage();
    }
    // Scaling is certain only in an automatic run with the preset to scale.
    const bool scales = scaleOnly_ && job_.AutoMode && job_.PresetSizing == 0;
    // A true-colour set is an area average, which needs no exact pixel of a large JPEG:
    // its scaled decoding down to the largest size will do. Palette images of several
    // sizes need every row.
    const bool set = BuildsIconSet(job_);
    std::int32_t scaleFor = 0;
    if (scales && set && job_.PresetIconBPP == 32)
        scaleFor = *std::max_element(job_.OutputSizes.begin(), job_.OutputSizes.end());
    TLoadFailure failure;
    if (LoadPictureQuietly(job_, page_, clipboard_, scales && !set ? job_.PresetIconSize : 0,
                           &failure, scaleFor)) {
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
    // An SVG picture is drawn at the icon size chosen, so fitting it changes nothing.
    if (job_.SourceKind == TSourceKind::Svg && !job_.SvgData.isEmpty() &&
        job_.InputImage.size() != QSize(job_.IconSize, job_.IconSize))
        job_.InputImage = RenderSvg(job_.SvgData, job_.IconSize);
    return ::PrepareCrop(job_, crop_);
}

bool TPictureProcessor::BuildIcon() {
    if (prepared_ && prepared_->IconSize == job_.IconSize && prepared_->IconBPP == job_.IconBPP &&
        prepared_->Sizing == job_.Sizing && job_.SourceKind == prepared_->SourceKind) {
        const TPreparedPicture& p = *prepared_;
        if (p.ErrorStage == TPreparedPicture::AtBuild) std::rethrow_exception(p.Error);
        job_.AlphaMaskMap = p.BuiltAlphaMask;
        if (p.IconBuilt) {
            job_.IconSet = p.IconSet;
            job_.IconMap = p.BuiltIconMap;
            job_.MaskMap = p.BuiltMaskMap;
            job_.IconImage = p.IconImage;
        }
        return p.IconBuilt;
    }
    prepared_.reset(); // the answers changed: this picture is done here from now on
    if (BuildsIconSet(job_)) return ::BuildIconSet(job_, crop_);
    return ::BuildIcon(job_, crop_, &window_);
}

void TPictureProcessor::AutoMask() {
    if (BuildsIconSet(job_)) return; // each image of the set got its own
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
    StopIfInterrupted();
    lastFiles_ = {};
    try {
        lastWrite_ = ::WriteOutput(job_, replace, prepared_ ? prepared_->Staged.get() : nullptr,
                                   &lastFiles_, &pictures_);
        if (lastWrite_ == TWriteResult::Written && lastFiles_.Written.isEmpty())
            lastFiles_.Written.append(job_.OutPath);
        if (lastWrite_ == TWriteResult::KeptExisting && lastFiles_.Kept.isEmpty())
            lastFiles_.Kept.append(job_.OutPath);
    } catch (const EPictureOfRun& e) {
        ++tally_.PictureOfRun;
        lastWriteError_ = QString::fromUtf8(e.what());
        throw;
    } catch (const std::exception& e) {
        ++tally_.WriteFailed;
        lastWriteError_ = QString::fromUtf8(e.what());
        throw;
    }
    if (lastWrite_ == TWriteResult::Written) ++tally_.Written;
    // Bitmaps of several sizes may be partly kept.
    if (!lastFiles_.Kept.isEmpty()) ++tally_.KeptExisting;
}
