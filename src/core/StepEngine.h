#pragma once

#include "core/JobState.h"

#include <QString>

class PageAnswers;
class SavePageControls;
class WizardWindow;
class WizardMessages;
class WizardView;
class PictureProcessor;

// Moves one conversion run through the wizard's steps. Next and Back each run a loop of
// single steps until a step is entered whose page must be shown; steps whose answer is
// already known (presets, automatic run, a picture that fits, a picture that failed to
// load) are passed without stopping.
//
// The engine does not own the job, the view's roles or the processor; all must outlive it.
//
// Re-entry: while a loop runs, the engine holds the window's input (SetInputHeld)
// and ignores any further NextButtonClick or BackButtonClick (they return without
// effect), so events processed between iterations cannot start a second loop or close
// the window halfway through a step. Cancel during the automatic part of a run (from
// its Save press on) is Stop: the picture in hand is finished or left unwritten, no
// further one is started, and the finish page says the run was stopped. A close request
// during a loop closes the window once the loop is over (stopping the automatic part
// first); Cancel during any other loop is ignored.
//
// Errors: an exception raised by a step's work ends the loop. The window is left usable
// (normal cursor, input released, the current step's page drawn with its buttons and, on
// the save page, its controls enabled) and the error's own text is shown in a message box.
class TStepEngine {
public:
    TStepEngine(TJobState& job, const PageAnswers& answers, SavePageControls& savePage,
                WizardWindow& window, WizardMessages& messages, PictureProcessor& processor);
    TStepEngine(TJobState& job, WizardView& view, PictureProcessor& processor);
    TStepEngine(const TStepEngine&) = delete;
    TStepEngine& operator=(const TStepEngine&) = delete;

    // The buttons. Next and Back run their loops; Cancel closes the wizard.
    void NextButtonClick();
    void BackButtonClick();
    void CancelButtonClick();
    // The window's close box: Cancel at once, or once the running loop is over.
    void CloseRequested();
    // Esc: Cancel on the source and finish pages, where it loses nothing; nothing elsewhere.
    void EscapePressed();

    // One forward or backward iteration from the current step.
    void StepForward();
    void StepBack();
    // Makes step n current, runs its work and lowers WaitForUser where it can be passed.
    void EnterStep(WizardPage n);
    // Whether Back leaves the current step: not from the source and finish pages, and not
    // from the resolution page once a picture of the run has been saved.
    bool CanGoBack() const;
    // Moves to the next image or file; false when the run has no further source.
    bool AdvanceSource();

    // True while a Next or Back loop runs.
    bool Busy() const { return running_; }
    // True once the wizard was closed (Cancel or Finish); every button is inert then.
    bool Closed() const { return closed_; }
    // Dropped files are taken only while the source page is shown and no loop runs.
    bool AcceptsDroppedFiles() const;

    // Caption of the message box that reports an error no step handled.
    static QString ErrorCaption();

private:
    void RunLoop(bool forward);
    void LeaveSavingStep();
    // The save page as the automatic part shows it: controls off, the bar shown.
    void ShowRunProgress();
    void Close();

    TJobState& job_;
    const PageAnswers& answers_;
    SavePageControls& savePage_;
    WizardWindow& window_;
    WizardMessages& messages_;
    PictureProcessor& processor_;
    bool running_ = false;
    bool closed_ = false;
    bool autoPart_ = false;      // the loop started by the Save press of an automatic run
    bool stopRequested_ = false; // Cancel during the automatic part
    bool closeRequested_ = false;
};
