#pragma once

#include "core/JobState.h"
#include "core/WizardView.h"

#include <QStringList>
#include <functional>
#include <vector>

// A window without widgets for every role: answers come from its public fields (set them
// as a user would click), and everything the engine and the processing work ask of it is
// recorded. Like the real window, selecting a format item changes the answer, and drawing
// a page enables Back, Next and Cancel.
class FakeWizardView : public WizardView {
public:
    FakeWizardView() = default;
    explicit FakeWizardView(const TJobState& job) : job_(&job) {}

    // --- the user's answers ---
    bool clipboardChosen = false;
    bool batchAutomatic = false;
    int sizeItem = 1;
    int colorItem = 1;
    bool crop = false;
    int formatItem = 0;
    QString location;
    bool replace = true;
    bool clipboardHasBitmap = false;
    QImage clipboardImage;

    // --- what happened ---
    std::vector<int> pagesShown; // the step drawn by every ShowPage (-1 without a job)
    QStringList messages;        // "caption: text"
    QStringList events;          // the calls that matter to the order, see note()
    bool closed = false;
    int closeCount = 0;
    bool buttonsEnabled = true;
    bool saveControlsEnabled = true;
    bool progressVisible = false;
    int progressMin = 0;
    int progressMax = 100;
    int progressPosition = 0;
    std::vector<int> progressPositions;
    bool busyCursor = false;
    bool inputHeld = false;
    int processEventsCount = 0;
    QString chooserFilter;
    // Runs inside ProcessPendingEvents: stands in for input arriving mid-loop.
    std::function<void()> onProcessEvents;
    // Runs inside ShowPage.
    std::function<void()> onShowPage;

    bool SourceIsClipboard() const override { return clipboardChosen; }
    bool BatchIsAutomatic() const override { return batchAutomatic; }
    int ResolutionSizeItem() const override { return sizeItem; }
    int ResolutionColorItem() const override { return colorItem; }
    bool CropChosen() const override { return crop; }
    int OutFormatItem() const override {
        note("OutFormatItem?");
        return formatItem;
    }
    QString OutLocationText() const override {
        note("OutLocationText?");
        return location;
    }
    bool ReplaceChecked() const override {
        note("ReplaceChecked?");
        return replace;
    }

    void SetOutFormatItem(int item) override { formatItem = item; }
    void SetChooserFilter(const QString& filter) override { chooserFilter = filter; }
    void SetSaveControlsEnabled(bool enabled) override {
        note(enabled ? "SaveControls on" : "SaveControls off");
        saveControlsEnabled = enabled;
    }
    void SetProgressRange(int minimum, int maximum) override {
        progressMin = minimum;
        progressMax = maximum;
    }
    void SetProgressPosition(int position) override {
        note(QStringLiteral("ProgressPosition %1").arg(position));
        progressPosition = position;
        progressPositions.push_back(position);
    }
    void SetProgressVisible(bool visible) override {
        note(visible ? "Progress shown" : "Progress hidden");
        progressVisible = visible;
    }
    void SetButtonsEnabled(bool enabled) override {
        note(enabled ? "Buttons on" : "Buttons off");
        buttonsEnabled = enabled;
    }
    void SetBusyCursor(bool busy) override { busyCursor = busy; }
    void SetInputHeld(bool held) override { inputHeld = held; }
    void ProcessPendingEvents() override {
        ++processEventsCount;
        if (onProcessEvents) onProcessEvents();
    }
    void ShowPage() override {
        const int step = job_ ? job_->Step : -1;
        note(QStringLiteral("ShowPage %1").arg(step));
        pagesShown.push_back(step);
        buttonsEnabled = true;
        if (onShowPage) onShowPage();
    }
    void ShowMessage(const QString& text, const QString& caption) override {
        messages.append(caption + QStringLiteral(": ") + text);
    }
    void CloseWizard() override {
        closed = true;
        ++closeCount;
    }
    bool ClipboardHasBitmap() const override { return clipboardHasBitmap; }
    QImage ClipboardImage() const override { return clipboardImage; }

    int lastPage() const { return pagesShown.empty() ? -1 : pagesShown.back(); }

    // Shared with the fake processor so that one log shows the order of both.
    QStringList* log = &events;
    void note(const QString& text) const { log->append(text); }

private:
    const TJobState* job_ = nullptr;
};
