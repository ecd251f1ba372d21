#pragma once

#include <QImage>
#include <QString>

// What the wizard's pages hold and do, as the step engine and the processing work see
// them, cut by role so that each part depends only on what it uses. The wizard window
// implements every role with widgets; tessaly-convert implements them without a window
// (scripted answers); the tests implement them with fakes.
//
// A view reads the job state it was made for (a TJobState it keeps a reference to) when
// it draws a page; the engine never passes the job through these interfaces.

// The answers the pages hold, read when Next is pressed. Item numbers are the positions
// of the choices in their groups, counted from 0: size 0 "16 x 16", 1 "32 x 32",
// 2 "48 x 48"; colour 0 "16 colors", 1 "256 colors"; format 0 "Normal Icon",
// 1 "Multi-Resource Icon", 2 "Windows Bitmap".
class PageAnswers {
public:
    virtual ~PageAnswers() = default;

    // Source page: true when "From clipboard" is chosen, false for "From file".
    virtual bool SourceIsClipboard() const = 0;
    // Batch page: true when "Automatically, All in one shot" is chosen.
    virtual bool BatchIsAutomatic() const = 0;
    // Resolution page: the chosen size and colour items.
    virtual int ResolutionSizeItem() const = 0;
    virtual int ResolutionColorItem() const = 0;
    // Sizing page: true when "Crop it" is chosen, false for "Scale it".
    virtual bool CropChosen() const = 0;
    // Save page: the chosen format item, the location text as typed, the replace box.
    virtual int OutFormatItem() const = 0;
    virtual QString OutLocationText() const = 0;
    virtual bool ReplaceChecked() const = 0;
};

// The save page's controls, set by output preparation and the Save press.
class SavePageControls {
public:
    virtual ~SavePageControls() = default;

    // Selects the format item (0..2) without any further reaction of the page.
    virtual void SetOutFormatItem(int item) = 0;
    // The filter the folder and file chooser offers for the current format, as
    // description, bar, pattern (for example "Normal Icon|*.ico").
    virtual void SetChooserFilter(const QString& filter) = 0;
    // Enables or disables the format list, the location edit, the Browse button and the
    // replace box together.
    virtual void SetSaveControlsEnabled(bool enabled) = 0;
    // The progress bar of the save page.
    virtual void SetProgressRange(int minimum, int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressVisible(bool visible) = 0;
};

// The window around the pages.
class WizardWindow {
public:
    virtual ~WizardWindow() = default;

    // Enables or disables Back, Next and Cancel together. Drawing a page enables them
    // again (the finish page then disables Back and Cancel itself).
    virtual void SetButtonsEnabled(bool enabled) = 0;
    // The hourglass cursor over the window while the engine works, or the normal one.
    virtual void SetBusyCursor(bool busy) = 0;
    // While held, the window takes no user input at all: clicks, keys, wheel, dropped
    // files and the close box are dropped, not queued for later. Painting goes on. The
    // engine holds input for the whole of every Next and Back loop, so nothing the user
    // does while a loop runs can act on the job halfway through a step.
    virtual void SetInputHeld(bool held) = 0;
    // While allowed, during the automatic part of a run, Cancel is enabled and takes its
    // clicks (and the close box its own) although input is held: the engine then stops
    // the run after the picture in hand. A window without such a button ignores this.
    virtual void SetStopAllowed(bool allowed) { (void)allowed; }
    // Lets the window handle what is pending (repaints, the progress bar). Called between
    // the engine's iterations and from inside long processing loops. Must not call back
    // into the engine.
    virtual void ProcessPendingEvents() = 0;
    // Draws the page of the job's current step with everything on it. Must not call
    // back into the engine; a call made from here is ignored.
    virtual void ShowPage() = 0;
    // Closes the wizard (Cancel, Finish): the run is over and the program ends once the
    // current event returns. Called at most once per run.
    virtual void CloseWizard() = 0;
};

// The system clipboard, as far as pictures go.
class WizardClipboard {
public:
    virtual ~WizardClipboard() = default;

    // True when a picture is on the clipboard.
    virtual bool ClipboardHasBitmap() const = 0;
    // The picture on the clipboard; a null image when there is none.
    virtual QImage ClipboardImage() const = 0;
};

// Message boxes.
class WizardMessages {
public:
    virtual ~WizardMessages() = default;

    // A modal message box with the given text and caption.
    virtual void ShowMessage(const QString& text, const QString& caption) = 0;
};

// Every role at once, for front ends that implement them all in one object.
class WizardView : public PageAnswers,
                   public SavePageControls,
                   public WizardWindow,
                   public WizardClipboard,
                   public WizardMessages {};
