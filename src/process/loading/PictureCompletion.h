#pragma once

#include "core/JobState.h"

#include <QImage>
#include <QString>

#include <future>
#include <vector>

// The rows of a picture `height` rows tall that the painter reads when it draws the whole
// picture, unsmoothed, onto `target` device rows: device row j shows the row under its
// centre, (j + 0.5) * height / target rounded down. Where the painter's fixed-point
// arithmetic could round to the row next to it, that row is listed as well. Ascending,
// each once.
std::vector<int> PaintedRows(int height, int target);

// A large JPEG source loaded at first with just the rows the resolution page's preview
// shows, and decoded in full on a thread of its own while that page is shown. The full
// picture takes the partial one's place in the job when Complete is called, which every
// step that reads more of the picture than the preview does first.
//
// One thread calls it (the one that runs the steps); the decoding thread touches nothing
// but its own picture, handed over when Complete waits for it.
class TPictureCompletion {
public:
    TPictureCompletion() = default;
    ~TPictureCompletion(); // waits for a decode still running
    TPictureCompletion(const TPictureCompletion&) = delete;
    TPictureCompletion& operator=(const TPictureCompletion&) = delete;

    // Loads the JPEG file `path` into the job as the picture loader does (SourceKind Jpg,
    // SubCount 1, InputRowsFor 0), a picture of at least LargePictureBytes with only the
    // rows PaintedRows gives for its preview drawn at `previewScale` device pixels a pixel
    // (ScalePreviewSize), every other row 0, and starts its full decode. False, with the
    // job untouched, for a file of another kind or one that cannot be decoded: the caller
    // then loads it the ordinary way, which says why it cannot.
    bool LoadPreview(TJobState& job, const QString& path, int previewScale);

    // True from LoadPreview of a partial picture until Complete or Drop.
    bool Pending() const { return full_.valid(); }

    // Waits for the full decode and puts its picture into job.InputImage. False when that
    // decode failed (the job then keeps the partial picture), and when nothing is pending.
    bool Complete(TJobState& job);

    // Waits for a decode still running and forgets its picture.
    void Drop();

private:
    std::future<QImage> full_;
};
