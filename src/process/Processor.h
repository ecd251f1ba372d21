#pragma once

#include "core/JobState.h"
#include "core/PictureProcessor.h"
#include "process/CropState.h"
#include "process/OutputWriter.h"
#include "process/PictureCompletion.h"
#include "process/PictureLoader.h"

#include <QString>

#include <functional>
#include <memory>

class PageAnswers;
class SavePageControls;
class WizardClipboard;
class WizardMessages;
class WizardView;
class WizardWindow;
class TPicturePipeline;
struct TPreparedPicture;

// What happened to the pictures of a run so far, for a summary after it.
struct TRunTally {
    int Loaded = 0;       // pictures loaded (every image of an icon file counts)
    int LoadFailed = 0;   // pictures that could not be loaded (each reported by the loader)
    int Written = 0;      // pictures written to an output file
    int KeptExisting = 0; // pictures not written because Replace was off and a file was there
    int WriteFailed = 0;  // writes that raised an error
};

// The processing work of the wizard's steps over one job: loading, crop preparation, the
// icon build and its automatic mask, output preparation and writing. The wizard,
// tessaly-convert and the tests hand it to the same step engine, so every front end
// produces the same files. It owns the crop state the crop dialog shows.
//
// The job and the view's roles are not owned and must outlive the processor.
class TPictureProcessor : public PictureProcessor {
public:
    TPictureProcessor(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                      WizardMessages& messages, SavePageControls& savePage, WizardWindow& window);
    TPictureProcessor(TJobState& job, WizardView& view);

    void LoadPicture() override;
    bool PrepareCrop() override;
    bool BuildIcon() override;
    void AutoMask() override;
    bool PrepareOutput() override;
    // Passes a writer's error on unchanged after counting it.
    void WriteOutput(bool replace) override;

    // For a run that never shows its pictures and only scales them, to the preset size
    // (tessaly-convert): large photos are then loaded with just the rows that scaling
    // reads, which saves their memory and the time of storing them. Off by default.
    void SetScaleOnlyRun(bool on) { scaleOnly_ = on; }

    // Takes the loading, the icon build and the automatic mask of each picture from the
    // pipeline, which did them ahead on other threads, instead of doing them here; any
    // other step and anything the steps report stay on this thread, in queue order. A
    // picture the pipeline has not got (another order, other answers) is done here. Not
    // owned; null (the default) does every picture here.
    void SetPipeline(TPicturePipeline* pipeline) { pipeline_ = pipeline; }

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
    // The result of the latest WriteOutput, and its error text when it raised one.
    TWriteResult LastWrite() const { return lastWrite_; }
    const QString& LastWriteError() const { return lastWriteError_; }

protected:
    // A picture that did not load: the wizard's message box, "Cannot load picture " and
    // the name, captioned "Picture error". A front end without a window may say more.
    virtual void ReportLoadFailure(const TLoadFailure& failure);

private:
    void loadWhole(std::int32_t rowsFor);

    TJobState& job_;
    const PageAnswers& page_;
    const WizardClipboard& clipboard_;
    WizardMessages& messages_;
    SavePageControls& savePage_;
    WizardWindow& window_;
    TCropState crop_;
    TRunTally tally_;
    bool scaleOnly_ = false;
    TPicturePipeline* pipeline_ = nullptr;
    std::shared_ptr<const TPreparedPicture> prepared_; // the current picture's, if any
    std::function<int()> previewScale_;
    TPictureCompletion completion_;
    TWriteResult lastWrite_ = TWriteResult::Nothing;
    QString lastWriteError_;
};
