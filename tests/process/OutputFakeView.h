#pragma once

#include "core/WizardView.h"

#include <QStringList>

// A view without a window that records what the processing tells the save page and the
// window, and answers with what a test sets.
class OutputFakeView : public WizardView {
public:
    bool SourceIsClipboard() const override { return Clipboard; }
    bool BatchIsAutomatic() const override { return Automatic; }
    int ResolutionSizeItem() const override { return SizeItem; }
    int ResolutionColorItem() const override { return ColorItem; }
    bool CropChosen() const override { return Crop; }
    int OutFormatItem() const override { return FormatItem; }
    QString OutLocationText() const override { return Location; }
    bool ReplaceChecked() const override { return Replace; }

    void SetOutFormatItem(int item) override { FormatItem = item; }
    void SetChooserFilter(const QString& filter) override { Filter = filter; }
    void SetSaveControlsEnabled(bool enabled) override { SaveControlsEnabled = enabled; }
    void SetProgressRange(int, int maximum) override { ProgressMax = maximum; }
    void SetProgressPosition(int position) override { ProgressPosition = position; }
    void SetProgressVisible(bool visible) override { ProgressVisible = visible; }

    void SetButtonsEnabled(bool) override {}
    void SetBusyCursor(bool) override {}
    void SetInputHeld(bool) override {}
    void ProcessPendingEvents() override {}
    void ShowPage() override { ++PagesShown; }
    void ShowMessage(const QString& text, const QString& caption) override {
        Messages << text;
        Captions << caption;
    }
    void CloseWizard() override { Closed = true; }

    bool ClipboardHasBitmap() const override { return !ClipboardPicture.isNull(); }
    QImage ClipboardImage() const override { return ClipboardPicture; }

    // Answers.
    bool Clipboard = false;
    bool Automatic = true;
    int SizeItem = 1;
    int ColorItem = 1;
    bool Crop = false;
    int FormatItem = 0;
    QString Location;
    bool Replace = true;
    QImage ClipboardPicture;

    // What the processing did to the window.
    QString Filter;
    bool SaveControlsEnabled = false;
    bool ProgressVisible = true;
    int ProgressMax = -1;
    int ProgressPosition = -1;
    int PagesShown = 0;
    bool Closed = false;
    QStringList Messages;
    QStringList Captions;
};
