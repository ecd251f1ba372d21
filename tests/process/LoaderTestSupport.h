#pragma once

#include "core/JobState.h"
#include "core/NullWizardView.h"
#include "process/PictureLoader.h"

#include <QStringList>

#include <filesystem>

// A view without a window for the loading tests: it answers the source question and the
// clipboard, and records the message boxes.
class LoaderFakeView : public TNullWizardView {
public:
    bool SourceIsClipboard() const override { return Clipboard; }
    void ProcessPendingEvents() override { ++EventsProcessed; }
    void ShowMessage(const QString& text, const QString& caption) override {
        Messages << text;
        Captions << caption;
    }
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
