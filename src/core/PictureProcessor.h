#pragma once

#include <stdexcept>

// Raised by a step's work when the run has been asked to stop (an interrupt signal): the
// engine ends the run there, without a message.
struct ERunInterrupted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The processing work the step engine runs as it enters and leaves steps. The engine
// knows these operations only by role; the wizard, tessaly-convert and the tests supply
// an implementation (the real one lives in the processing library).
class PictureProcessor {
public:
    virtual ~PictureProcessor() = default;

    // Entering the resolution step: load the current source into the job's InputImage.
    // Sets SourceKind and SubCount; a picture that cannot be loaded leaves SourceKind
    // None, is listed in the job's run record and, in a manual run, reported through the
    // view.
    virtual void LoadPicture() = 0;
    // Entering the sizing step. False when there is nothing to do (SourceKind None).
    virtual bool PrepareCrop() = 0;
    // Entering the masking step: builds IconMap, IconImage and an empty MaskMap.
    virtual bool BuildIcon() = 0;
    // Leaving the masking step with the automatic mask as the preset masking answer.
    virtual void AutoMask() = 0;
    // Entering the saving step, and again when leaving it. Sets OutIsDirectory.
    virtual bool PrepareOutput() = 0;
    // Leaving the saving step; counts what it saved, and where, in the job's run record.
    // Throws on a failed write, with the path and the reason.
    virtual void WriteOutput(bool replace) = 0;
};
