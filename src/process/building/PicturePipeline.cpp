#include "process/building/PicturePipeline.h"

#include "core/NullWizardView.h"
#include "core/PathParts.h"
#include "process/building/JobProcessor.h"
#include "process/building/OutputWriter.h"
#include "reduce/GraphicErrors.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#ifdef __linux__
#include <sched.h>
#endif

namespace {

// A worker's processing: a picture that does not load is reported by the run, in its turn.
class TWorkerProcessor : public TJobProcessor {
public:
    TWorkerProcessor(TJobState& job, WizardView& view, TLoadFailure& failure)
        : TJobProcessor(job, view), failure_(failure) {}

protected:
    void ReportLoadFailure(const TLoadFailure& failure) override { failure_ = failure; }

private:
    TLoadFailure& failure_;
};

TPicturePipeline::PrepareHook& Hook() {
    static TPicturePipeline::PrepareHook hook;
    return hook;
}

// Whether the picture failed for want of memory or file handles rather than for anything
// in it: with fewer pictures worked on at once it may well succeed.
bool LackedResources(const TPreparedPicture& picture) {
    if (!picture.Error) return !picture.Loaded && picture.Failure.LackOfResources;
    try {
        std::rethrow_exception(picture.Error);
    } catch (const std::bad_alloc&) {
        return true;
    } catch (const EOutOfMemory&) {
        return true;
    } catch (const EOutOfResources&) {
        return true;
    } catch (...) {
        return false;
    }
}

// Only an icon file may hold more than one picture; the loader tells them by extension.
bool IsIconFile(const QString& path) {
    return LowerExtension(path) == QLatin1String(".ico");
}

} // namespace

int UsableProcessorCount() {
    int count = static_cast<int>(std::thread::hardware_concurrency());
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int allowed = CPU_COUNT(&set);
        if (allowed > 0 && (count <= 0 || allowed < count)) count = allowed;
    }
#endif
    return std::max(1, count);
}

TPicturePipeline::TPicturePipeline(const TJobState& job, int workers, bool scaleOnly,
                                   const QString& outputFolder)
    : base_(job), scaleOnly_(scaleOnly), outputFolder_(outputFolder),
      flusher_(outputFolder.isEmpty() ? nullptr : std::make_shared<DiskFlusher>()),
      fileCount_(static_cast<std::int32_t>(job.InputList.size())),
      window_(2 * static_cast<std::int64_t>(std::max(1, workers))) {
    // The workers start from the preset answers, never from another picture's state.
    base_.InputImage = QImage();
    base_.IconImage = QImage();
    base_.IconMap = TPxlMap{};
    base_.MaskMap = TPxlMap{};
    base_.SourceMaskMap = TPxlMap{};
    // Qt builds its table of image format handlers (and searches for plugins) on first
    // use; that is done here, before any worker starts, so the workers only read it.
    QByteArray nothing;
    QBuffer buffer(&nothing);
    QImageReader(&buffer, "BMP").canRead();
    threads_.reserve(static_cast<std::size_t>(std::max(1, workers)));
    for (int i = 0; i < std::max(1, workers); ++i) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // No room for another thread: the pipeline goes with those it has, and the
            // run without one when it has none.
            if (threads_.empty()) throw;
            break;
        }
    }
}

TPicturePipeline::~TPicturePipeline() {
    StopAndDrop();
}

void TPicturePipeline::StopAndDrop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    workReady_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    std::lock_guard lock(mutex_);
    done_.clear();
}

TPicturePipeline::PrepareHook TPicturePipeline::SetPrepareHook(PrepareHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

bool TPicturePipeline::NextTask(Task& task) {
    std::unique_lock lock(mutex_);
    workReady_.wait(lock, [this] {
        return stopped_ || (AllPlanned() && !awaitingCount_) ||
               (!awaitingCount_ && !AllPlanned() && nextSeq_ < taken_ + window_);
    });
    if (stopped_ || AllPlanned()) return false;
    task = Task{nextFile_, nextSub_, iconCount_, nextSeq_++};
    if (nextSub_ == 0 && IsIconFile(base_.InputList.at(nextFile_))) {
        awaitingCount_ = true; // Finish goes on from here
    } else if (nextSub_ > 0 && nextSub_ < iconCount_ - 1) {
        ++nextSub_;
    } else {
        ++nextFile_;
        nextSub_ = 0;
        iconCount_ = 0;
    }
    return true;
}

void TPicturePipeline::Finish(const Task& task, std::shared_ptr<TPreparedPicture> picture) {
    {
        std::lock_guard lock(mutex_);
        if (awaitingCount_ && task.Sub == 0 && task.File == nextFile_) {
            // The step engine's next source: the file's further images, or the next file.
            awaitingCount_ = false;
            if (picture->SubCount > 1) {
                nextSub_ = 1;
                iconCount_ = picture->IconFileCount;
            } else {
                ++nextFile_;
            }
        }
        done_[task.Seq] = std::move(picture);
    }
    resultReady_.notify_all();
    workReady_.notify_all();
}

void TPicturePipeline::Work() {
    Task task;
    while (NextTask(task)) {
        std::shared_ptr<TPreparedPicture> picture;
        try {
            picture = Prepare(task);
        } catch (...) {
            picture = std::make_shared<TPreparedPicture>();
            picture->FileIndex = task.File;
            picture->SubIndex = task.Sub;
            picture->ErrorStage = TPreparedPicture::AtLoad;
            picture->Error = std::current_exception();
        }
        Finish(task, std::move(picture));
    }
}

// The steps an automatic run takes with one picture, from entering the resolution step to
// leaving the masking step, on a job of its own.
std::shared_ptr<TPreparedPicture> TPicturePipeline::Prepare(const Task& task) const {
    auto picture = std::make_shared<TPreparedPicture>();
    TPreparedPicture& p = *picture;
    p.FileIndex = task.File;
    p.SubIndex = task.Sub;

    TJobState job = base_;
    job.AutoMode = true;
    job.FileCount = fileCount_;
    job.FileIndex = task.File;
    job.SubIndex = task.Sub;
    job.IconFileIndex = task.Sub > 0 ? task.File : -1;
    job.IconFileCount = task.IconCount;
    job.IconSize = job.PresetIconSize;
    job.IconBPP = job.PresetIconBPP;

    TNullWizardView view;
    TWorkerProcessor processor(job, view, p.Failure);
    processor.SetScaleOnlyRun(scaleOnly_);

    try {
        if (Hook()) Hook()(task.File);
        processor.LoadPicture();
    } catch (...) {
        p.ErrorStage = TPreparedPicture::AtLoad;
        p.Error = std::current_exception();
        return picture;
    }
    p.Loaded = processor.Tally().Loaded > 0;
    p.SourceKind = job.SourceKind;
    p.SubCount = job.SubCount;
    p.IconFileIndex = job.IconFileIndex;
    p.IconFileCount = job.IconFileCount;
    if (!p.Loaded) return picture;
    p.InputImage = job.InputImage;
    p.InputRowsFor = job.InputRowsFor;
    p.SvgData = job.SvgData;
    p.LoadedIconMap = job.IconMap;
    p.SourceMaskMap = job.SourceMaskMap;

    job.Sizing = SizingFor(job, job.PresetSizing);
    p.IconSize = job.IconSize;
    p.IconBPP = job.IconBPP;
    p.Sizing = job.Sizing;
    try {
        processor.PrepareCrop();
        p.IconBuilt = processor.BuildIcon();
    } catch (...) {
        p.ErrorStage = TPreparedPicture::AtBuild;
        p.Error = std::current_exception();
        return picture;
    }
    p.BuiltIconMap = job.IconMap;
    p.BuiltMaskMap = job.MaskMap;
    p.BuiltAlphaMask = job.AlphaMaskMap;
    p.IconImage = job.IconImage;
    p.IconSet = job.IconSet;

    job.Masking = job.PresetMasking;
    if (job.Masking != TMasking::Auto) {
        StageOutput(p, p.BuiltIconMap, p.BuiltMaskMap);
        return picture;
    }
    try {
        processor.AutoMask();
    } catch (...) {
        p.ErrorStage = TPreparedPicture::AtMask;
        p.Error = std::current_exception();
        return picture;
    }
    p.Masked = true;
    p.MaskedIconMap = job.IconMap;
    p.MaskedMaskMap = job.MaskMap;
    StageOutput(p, p.MaskedIconMap, p.MaskedMaskMap);
    return picture;
}

void TPicturePipeline::StageOutput(TPreparedPicture& picture, const TPxlMap& iconMap,
                                   const TPxlMap& maskMap) const {
    if (outputFolder_.isEmpty() || !picture.IconBuilt) return;
    const QByteArray bytes =
        BuildsIconSet(base_) ? IconSetFileBytes(base_.OutFormat, picture.IconSet)
                             : OutputFileBytes(base_.OutFormat, iconMap, maskMap, picture.IconSize);
    if (bytes.isEmpty()) return;
    StagedFile staged = SafeFile::Stage(outputFolder_, bytes, flusher_);
    if (staged.IsValid()) picture.Staged = std::make_shared<StagedFile>(std::move(staged));
}

std::shared_ptr<const TPreparedPicture> TPicturePipeline::Take(std::int32_t file,
                                                               std::int32_t sub) {
    std::shared_ptr<TPreparedPicture> picture;
    {
        std::unique_lock lock(mutex_);
        if (stopped_) return nullptr;
        resultReady_.wait(lock, [this] {
            return done_.count(taken_) > 0 ||
                   (AllPlanned() && !awaitingCount_ && nextSeq_ <= taken_);
        });
        const auto found = done_.find(taken_);
        if (found != done_.end()) {
            picture = std::move(found->second);
            done_.erase(found);
            ++taken_;
        }
        if (!picture || picture->FileIndex != file || picture->SubIndex != sub) {
            stopped_ = true;
            picture.reset();
        }
    }
    workReady_.notify_all();
    if (picture && LackedResources(*picture)) {
        picture.reset();
        StopAndDrop();
        runsAlone_ = true;
    }
    return picture;
}
