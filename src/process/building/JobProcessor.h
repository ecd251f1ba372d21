#pragma once

#include "core/JobState.h"
#include "core/PictureProcessor.h"
#include "process/building/CropState.h"
#include "process/building/OutputWriter.h"
#include "process/loading/PictureCompletion.h"
#include "process/loading/PictureLoader.h"

#include <functional>
#include <memory>

class PageAnswers;
class SavePageControls;
class WizardClipboard;
class WizardMessages;
class WizardView;
class WizardWindow;
struct TPreparedPicture;

// What happened to the pictures of a run so far, for a summary after it.
struct TRunTally {
    int Loaded = 0;       // pictures loaded (every image of an icon file counts)
    int LoadFailed = 0;   // pictures that could not be loaded (each reported by the loader)
    int KeptExisting = 0; // pictures not written because Replace was off and a file was there
    int WriteFailed = 0;  // writes that raised an error (other than the next)
    int PictureOfRun = 0; // writes refused because the output is a picture of the run
};

// The processing work of the wizard's steps over one job: loading, crop preparation, the
// icon build and its automatic mask, output preparation and writing. The wizard,
// tessaly-convert and the tests hand it to the same step engine, so every front end
// produces the same files. It owns the crop state the crop dialog shows.
//
// The job and the view's roles are not owned and must outlive the processor.
class TJobProcessor : public PictureProcessor {
public:
    TJobProcessor(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                  WizardMessages& messages, SavePageControls& savePage, WizardWindow& window);
    TJobProcessor(TJobState& job, WizardView& view);

    // Loading and writing first raise ERunInterrupted once the run has been asked to stop
    // (SystemFiles::InterruptSignal): the picture in hand is then left unwritten.
    void LoadPicture() override;
    bool PrepareCrop() override;
    bool BuildIcon() override;
    void AutoMask() override;
    bool PrepareOutput() override;
    // Passes a writer's error on unchanged after counting it (EPictureOfRun apart).
    void WriteOutput(bool replace) override;

    // For a run that never shows its pictures and only scales them, to the preset size
    // (tessaly-convert): large photos are then loaded with just the rows that scaling
    // reads, which saves their memory and the time of storing them. Off by default.
    void SetScaleOnlyRun(bool on) { scaleOnly_ = on; }

    // Pictures prepared ahead of the run on other threads (a TPicturePipeline's): Picture
    // gives the one of a queue place, null when it has not got it; Stopped says whether the
    // source has stopped and left the rest of the run to this thread.
    struct TPreparedSource {
        std::function<std::shared_ptr<const TPreparedPicture>(std::int32_t file, std::int32_t sub)>
            Picture;
        std::function<bool()> Stopped;
    };
    // Takes the loading, the icon build and the automatic mask of each picture from
    // `source`, which did them ahead, instead of doing them here; any other step and
    // anything the steps report stay on this thread, in queue order. A picture the source
    // has not got (another order, other answers) is done here. By default every picture is
    // done here.
    void SetPreparedSource(TPreparedSource source) { source_ = std::move(source); }

    // Makes LoadPicture read files on a thread of its own while the window goes on
    // handling its events (ProcessPendingEvents every few milliseconds), so it repaints and
    // takes a Stop however long a picture takes to decode. What is loaded is the same.
    void SetLoadAside(bool on) { loadAside_ = on; }
    // For a front end that shows the resolution page's preview (ScalePreviewSize, drawn
    // unsmoothed at `scale()` device pixels a pixel, 0 when that is no whole number): a
    // large JPEG whose page is shown is then loaded with just the rows the preview reads,
    // and its full decode runs on another thread until a step needs it (CompletePicture).
    // Off by default.
    void SetPreviewScale(std::function<int()> scale) { previewScale_ = std::move(scale); }
    // Waits for a full decode still running and puts its picture into the job. A picture
    // that cannot be decoded in full after all is loaded again the ordinary way, which
    // reports it. Every step that reads the picture beyond the preview calls this first.
    void CompletePicture();

    TCropState& CropState() { return crop_; }
    const TCropState& CropState() const { return crop_; }

    const TRunTally& Tally() const { return tally_; }
    // The result of the latest WriteOutput.
    TWriteResult LastWrite() const { return lastWrite_; }
    // The files the latest WriteOutput wrote and kept (several for bitmaps of several sizes).
    const TOutputFiles& LastFiles() const { return lastFiles_; }

protected:
    // A picture that did not load (it is listed in the job's run record already): in a
    // manual run the wizard's message box, LoadFailureMessage captioned "Picture error";
    // an automatic run goes on without one. A front end without a window may say more.
    virtual void ReportLoadFailure(const TLoadFailure& failure);

private:
    // The icon the person last worked on and what it was built from. A build for the same
    // picture (same place in the queue, same pixels) with the same size, colours, sizing
    // and, when cropping, the same crop place and frame colour gives the same icon: it is
    // given back as the person left it, mask and all, instead of a new one with an empty
    // mask. Only builds whose masking page is shown are kept; a run that passes that page
    // builds and masks afresh, as it would the first time.
    struct TIconKey {
        std::int32_t FileIndex = 0, SubIndex = 0; // the picture's place in the queue
        std::int32_t Size = 0, BPP = 0;           // the answers it was built with
        TSizing Sizing = TSizing::Scale;
        std::int32_t CropLeft = 0, CropTop = 0; // when cropping, the crop place
        std::uint32_t FrameColor = 0;           // and the frame colour
        QImage Picture;

        friend bool operator==(const TIconKey&, const TIconKey&) = default;
    };
    TIconKey CurrentIconKey() const;
    // Takes the job's icon and mask as the kept work, while they are the person's.
    void KeepWork();
    bool BuildNewIcon();
    void ForgetWork();
    void RecordFailure(const TLoadFailure& failure);
    void LoadWhole(std::int32_t rowsFor, std::int32_t scaleFor);

    TJobState& job_;
    const PageAnswers& page_;
    const WizardClipboard& clipboard_;
    WizardMessages& messages_;
    SavePageControls& savePage_;
    WizardWindow& window_;
    TCropState crop_;
    TRunTally tally_;
    bool loadAside_ = false;
    bool cropPrepared_ = false; // crop_ holds the picture of cropFile_, cropSub_
    std::int32_t cropFile_ = 0;
    std::int32_t cropSub_ = 0;
    bool workKept_ = false; // keptKey_ and the kept maps hold the person's work
    bool workLive_ = false; // the job's maps are that work, maybe edited since
    TIconKey keptKey_;
    TPxlMap keptIcon_{};
    TPxlMap keptMask_{};
    QImage keptImage_;
    bool scaleOnly_ = false;
    TPreparedSource source_;
    std::shared_ptr<const TPreparedPicture> prepared_; // the current picture's, if any
    TRunPictures pictures_; // the queue's files, for the writes to keep clear of
    std::function<int()> previewScale_;
    TPictureCompletion completion_;
    TWriteResult lastWrite_ = TWriteResult::Nothing;
    TOutputFiles lastFiles_;
};
