#pragma once

#include "core/JobState.h"
#include "core/WizardView.h"
#include "process/PictureLoader.h"

#include <QStringList>

#include <filesystem>

// A view without a window for the loading tests: it answers the source question and the
// clipboard, and records the message boxes.
class LoaderFakeView : public WizardView {
public:
    bool SourceIsClipboard() const override { return Clipboard; }
    bool BatchIsAutomatic() const override { return true; }
    int ResolutionSizeItem() const override { return 1; }
    int ResolutionColorItem() const override { return 1; }
    bool CropChosen() const override { return false; }
    int OutFormatItem() const override { return 0; }
    QString OutLocationText() const override { return {}; }
    bool ReplaceChecked() const override { return true; }
    void SetOutFormatItem(int) override {}
    void SetChooserFilter(const QString&) override {}
    void SetSaveControlsEnabled(bool) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressVisible(bool) override {}
    void SetButtonsEnabled(bool) override {}
    void SetBusyCursor(bool) override {}
    void SetInputHeld(bool) override {}
    void ProcessPendingEvents() override { ++EventsProcessed; }
    void ShowPage() override {}
    void ShowMessage(const QString& text, const QString& caption) override {
        Messages << text;
        Captions << caption;
    }
    void CloseWizard() override {}
    bool ClipboardHasBitmap() const override { return !ClipboardPicture.isNull(); }
    QImage ClipboardImage() const override { return ClipboardPicture; }

    bool Clipboard = false;
    QImage ClipboardPicture;
    QStringList Messages;
    QStringList Captions;
    int EventsProcessed = 0;
};

// A job whose queue holds the one file, loaded as image `subIndex`.
inline bool loadFile(TJobState& job, LoaderFakeView& view, const std::filesystem::path& file,
                     int subIndex = 0) {
    job.InputList = QStringList{QString::fromStdString(file.string())};
    job.FileIndex = 0;
    job.SubIndex = subIndex;
    return LoadPicture(job, view);
}
