#pragma once

#include "core/JobState.h"
#include "image/SafeFile.h"
#include "process/building/PreparedPicture.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Loads, fits, reduces and masks the pictures of an automatic run ahead of it, on worker
// threads, each picture on a job and processor of its own. The run takes them strictly
// in queue order (Take), so everything it does with them (messages, output names,
// writes) happens in the same order and on the same thread as without the pipeline.
//
// The queue is walked as the step engine walks it: one picture per file, every image of
// an icon file (their count is known once the file's first image is loaded). At most
// `workers` pictures are worked on at once and at most twice that many are held ahead of
// the run, so memory stays bounded whatever the batch. Destroying the pipeline stops and
// joins the workers (a picture being worked on is finished first).
//
// The pictures must not change while the run goes on: a run that writes files it reads
// later (an output among its inputs) must go without a pipeline.
class TPicturePipeline {
public:
    // `job` gives the queue and the preset answers (AutoMode is taken for granted);
    // `scaleOnly` as TJobProcessor::SetScaleOnlyRun. With an `outputFolder` each
    // picture's file in the job's format (Ico or Bmp) is also written ahead there
    // (TPreparedPicture::Staged) and flushed to the disk on a thread of its own, so that
    // neither the workers nor the run wait for the disk file by file. Everything written
    // is on the disk once the pipeline and the pictures taken from it are gone. Throws
    // std::system_error when not one thread can be started (nor memory found for them).
    TPicturePipeline(const TJobState& job, int workers, bool scaleOnly,
                     const QString& outputFolder = QString());
    ~TPicturePipeline();
    TPicturePipeline(const TPicturePipeline&) = delete;
    TPicturePipeline& operator=(const TPicturePipeline&) = delete;

    // The next picture in queue order, which must be image `sub` of file `file`. Null once
    // the run has left the pipeline's order (it then does its pictures itself); the
    // pipeline stops then.
    //
    // A picture that failed for lack of memory or file handles while others were worked
    // on is not handed over either: the pipeline then stops, waits for its workers and
    // drops every picture held ahead, so that the run does this picture (and the rest)
    // alone, as with one thread, and fails only what one thread fails.
    std::shared_ptr<const TPreparedPicture> Take(std::int32_t file, std::int32_t sub);
    // Whether Take stopped the pipeline for such a picture: the run is then on its own,
    // and what it holds of earlier pictures is better freed before each load.
    bool RunsAlone() const { return runsAlone_; }

    // Test seam: called on the worker at the start of each picture's preparation, with
    // its file's index; what it throws counts as thrown by the loading. Returns the hook
    // it replaces.
    using PrepareHook = std::function<void(std::int32_t file)>;
    static PrepareHook SetPrepareHook(PrepareHook hook);

private:
    struct Task {
        std::int32_t File = 0;
        std::int32_t Sub = 0;
        std::int32_t IconCount = 0;
        std::int64_t Seq = 0;
    };

    void Work();
    bool NextTask(Task& task);
    std::shared_ptr<TPreparedPicture> Prepare(const Task& task) const;
    void Finish(const Task& task, std::shared_ptr<TPreparedPicture> picture);
    bool AllPlanned() const { return nextFile_ >= fileCount_; }

    void StageOutput(TPreparedPicture& picture, const TPxlMap& iconMap,
                     const TPxlMap& maskMap) const;
    // Stops the workers, waits for them and drops what they made.
    void StopAndDrop();

    TJobState base_;
    bool scaleOnly_;
    QString outputFolder_;
    // Flushes the staged files and the folder they go to, while the workers go on.
    std::shared_ptr<DiskFlusher> flusher_;
    std::int32_t fileCount_;
    std::int64_t window_;

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable resultReady_;
    // The walk through the queue: the next picture to hand out, and whether it waits for
    // the image count of the icon file whose first image is being loaded.
    std::int32_t nextFile_ = 0;
    std::int32_t nextSub_ = 0;
    std::int32_t iconCount_ = 0;
    bool awaitingCount_ = false;
    std::int64_t nextSeq_ = 0;
    std::int64_t taken_ = 0;
    std::map<std::int64_t, std::shared_ptr<TPreparedPicture>> done_;
    bool stopped_ = false;
    bool runsAlone_ = false; // read and written on the run's thread only

    std::vector<std::thread> threads_;
};

// The number of processors this process may run on: the system's count, or fewer when
// its CPU affinity allows fewer. At least 1.
int UsableProcessorCount();
