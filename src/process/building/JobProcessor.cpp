#include "process/building/JobProcessor.h"

#include "core/PathParts.h"
#include "core/WizardView.h"
#include "image/SystemFiles.h"
#include "process/building/Fitting.h"
#include "process/building/IconBuild.h"
#include "process/building/IconSet.h"
#include "process/building/PreparedPicture.h"
#include "process/loading/PictureLoader.h"
#include "process/loading/SvgLoader.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>

namespace {

// Runs `work` on a thread of its own and lets the window handle its events every few
// milliseconds until it is done; its result or exception is handed back here.
template <typename Work> auto RunAside(WizardWindow& window, Work work) {
    auto result = std::async(std::launch::async, std::move(work));
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        window.ProcessPendingEvents();
    return result.get();
}

} // namespace

TJobProcessor::TJobProcessor(TJobState& job, const PageAnswers& page,
                             const WizardClipboard& clipboard, WizardMessages& messages,
                             SavePageControls& savePage, WizardWindow& window)
    : job_(job), page_(page), clipboard_(clipboard), messages_(messages), savePage_(savePage),
      window_(window) {}

TJobProcessor::TJobProcessor(TJobState& job, WizardView& view)
    : TJobProcessor(job, view, view, view, view, view) {}

namespace {

// A run asked to stop goes no further than the step in hand.
void StopIfInterrupted() {
    if (const int signal = SystemFiles::InterruptSignal())
        throw ERunInterrupted("stopped by " + SystemFiles::SignalText(signal).toStdString());
}

} // namespace

void TJobProcessor::LoadPicture() {
    StopIfInterrupted();
    completion_.Drop();
    KeepWork();
    // Another picture: the work on the last one is done with.
    if (workKept_ && (keptKey_.FileIndex != job_.FileIndex || keptKey_.SubIndex != job_.SubIndex))
        ForgetWork();
    prepared_ = source_.Picture ? source_.Picture(job_.FileIndex, job_.SubIndex) : nullptr;
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
            RecordFailure(p.Failure);
            ReportLoadFailure(p.Failure);
        }
        return;
    }
    // Short of memory, the earlier picture (done with) is not kept while this one loads.
    if (source_.Stopped && source_.Stopped()) {
        job_.InputImage = QImage();
        job_.IconImage = QImage();
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
    const bool scales = scaleOnly_ && job_.AutoMode && job_.PresetSizing == TSizing::Scale;
    // A true-colour set is an area average, which needs no exact pixel of a large JPEG:
    // its scaled decoding down to the largest size will do. Palette images of several
    // sizes need every row.
    const bool set = BuildsIconSet(job_);
    std::int32_t scaleFor = 0;
    if (scales && set && job_.PresetIconBPP == 32)
        scaleFor = *std::max_element(job_.OutputSizes.begin(), job_.OutputSizes.end());
    LoadWhole(scales && !set ? job_.PresetIconSize : 0, scaleFor);
}

void TJobProcessor::LoadWhole(std::int32_t rowsFor, std::int32_t scaleFor) {
    TLoadFailure failure;
    const auto load = [&] {
        return LoadPictureQuietly(job_, page_, clipboard_, rowsFor, &failure, scaleFor);
    };
    // The clipboard is read on this thread only.
    if (loadAside_ && !page_.SourceIsClipboard() ? RunAside(window_, load) : load()) {
        ++tally_.Loaded;
        return;
    }
    ++tally_.LoadFailed;
    RecordFailure(failure);
    ReportLoadFailure(failure);
}

void TJobProcessor::RecordFailure(const TLoadFailure& failure) {
    TRunFailure entry{job_.FileIndex, job_.SubIndex, failure.Name, failure.Reason};
    for (TRunFailure& known : job_.Record.Failures) {
        if (known.FileIndex == entry.FileIndex && known.SubIndex == entry.SubIndex) {
            known = entry; // loaded again after going back
            return;
        }
    }
    job_.Record.Failures.push_back(entry);
}

void TJobProcessor::CompletePicture() {
    if (!completion_.Pending() || completion_.Complete(job_)) return;
    // Decoded once with the preview's rows but not in full (a file damaged or changed in
    // between): loaded again as any picture is, and reported if it still fails.
    --tally_.Loaded;
    LoadWhole(0, 0);
}

void TJobProcessor::ReportLoadFailure(const TLoadFailure& failure) {
    // An automatic run lists its failures when it ends rather than stopping for each.
    if (job_.AutoMode) return;
    messages_.ShowMessage(LoadFailureMessage(failure), QStringLiteral("Picture error"));
}

bool TJobProcessor::PrepareCrop() {
    CompletePicture();
    // An SVG picture is drawn at the icon size chosen, so fitting it changes nothing.
    if (job_.SourceKind == TSourceKind::Svg && !job_.SvgData.isEmpty() &&
        job_.InputImage.size() != QSize(job_.IconSize, job_.IconSize))
        job_.InputImage = RenderSvg(job_.SvgData, job_.IconSize);
    // Going back to the sizing page keeps the crop place while picture and size stay.
    const bool samePicture = cropPrepared_ && cropFile_ == job_.FileIndex &&
                             cropSub_ == job_.SubIndex && crop_.IconSize == job_.IconSize &&
                             job_.SourceKind != TSourceKind::None;
    if (samePicture && crop_.Picture().cacheKey() == job_.InputImage.cacheKey()) return true;
    const bool keepPlace = samePicture && crop_.Picture() == job_.InputImage;
    const std::int32_t left = crop_.CropLeft;
    const std::int32_t top = crop_.CropTop;
    cropPrepared_ = ::PrepareCrop(job_, crop_);
    cropFile_ = job_.FileIndex;
    cropSub_ = job_.SubIndex;
    if (keepPlace) {
        crop_.LeftEdited(QString::number(left));
        crop_.TopEdited(QString::number(top));
    }
    return cropPrepared_;
}

TJobProcessor::TIconKey TJobProcessor::CurrentIconKey() const {
    TIconKey key{job_.FileIndex, job_.SubIndex, job_.IconSize, job_.IconBPP, job_.Sizing, 0, 0, 0,
                 job_.InputImage};
    if (job_.Sizing == TSizing::Crop) {
        key.CropLeft = crop_.CropLeft;
        key.CropTop = crop_.CropTop;
        key.FrameColor = crop_.FrameColor;
    }
    return key;
}

void TJobProcessor::KeepWork() {
    if (!workLive_) return;
    workLive_ = false;
    keptIcon_ = job_.IconMap;
    keptMask_ = job_.MaskMap;
    keptImage_ = job_.IconImage;
}

void TJobProcessor::ForgetWork() {
    workKept_ = false;
    workLive_ = false;
    keptKey_ = TIconKey{};
    keptIcon_ = TPxlMap{};
    keptMask_ = TPxlMap{};
    keptImage_ = QImage();
}

bool TJobProcessor::BuildIcon() {
    CompletePicture();
    KeepWork();
    // The masking page is shown for this build: the person may work on the mask.
    const bool shown = !job_.AutoMode && !job_.FixMasking && job_.SourceKind != TSourceKind::None;
    if (shown && workKept_ && keptKey_ == CurrentIconKey()) {
        job_.IconMap = keptIcon_;
        job_.MaskMap = keptMask_;
        job_.IconImage = keptImage_;
        workLive_ = true;
        return true;
    }
    ForgetWork();
    const bool built = BuildNewIcon();
    if (built && shown) {
        keptKey_ = CurrentIconKey();
        workKept_ = true;
        workLive_ = true;
    }
    return built;
}

bool TJobProcessor::BuildNewIcon() {
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

void TJobProcessor::AutoMask() {
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

bool TJobProcessor::PrepareOutput() {
    return ::PrepareOutput(job_, savePage_);
}

void TJobProcessor::WriteOutput(bool replace) {
    KeepWork(); // writing stores masked pixels black; going back shows them as they were
    lastWrite_ = TWriteResult::Nothing;
    StopIfInterrupted();
    lastFiles_ = {};
    try {
        lastWrite_ = ::WriteOutput(job_, replace, prepared_ ? prepared_->Staged.get() : nullptr,
                                   &lastFiles_, &pictures_);
        if (lastWrite_ == TWriteResult::Written && lastFiles_.Written.isEmpty())
            lastFiles_.Written.append(job_.OutPath);
        if (lastWrite_ == TWriteResult::KeptExisting && lastFiles_.Kept.isEmpty())
            lastFiles_.Kept.append(job_.OutPath);
    } catch (const EPictureOfRun&) {
        ++tally_.PictureOfRun;
        throw;
    } catch (const std::exception&) {
        ++tally_.WriteFailed;
        throw;
    }
    if (lastWrite_ == TWriteResult::Written) {
        ++job_.Record.Saved;
        const QString place =
            job_.OutFormat == TOutFormat::Mico ? job_.OutPath : FolderPart(job_.OutPath);
        if (!job_.Record.Places.contains(place)) job_.Record.Places << place;
    }
    // Bitmaps of several sizes may be partly kept.
    if (!lastFiles_.Kept.isEmpty()) {
        ++tally_.KeptExisting;
        ++job_.Record.Kept;
    }
}
