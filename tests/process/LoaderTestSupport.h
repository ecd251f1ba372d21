#pragma once

#include "core/JobState.h"
#include "fakes/FakeWizardView.h"
#include "process/loading/PictureLoader.h"

#include <filesystem>

// A job whose queue holds the one file, loaded as image `subIndex`.
inline bool loadFile(TJobState& job, FakeWizardView& view, const std::filesystem::path& file,
                     int subIndex = 0) {
    job.InputList = QStringList{QString::fromStdString(file.string())};
    job.FileIndex = 0;
    job.SubIndex = subIndex;
    return LoadPicture(job, view, view, view);
}

// The messages' first lines: what the box says before the reason.
inline QStringList FirstLines(const QStringList& messages) {
    QStringList lines;
    for (const QString& message : messages)
        lines << message.section(QLatin1Char('\n'), 0, 0);
    return lines;
}

// Image `subIndex` of `file` through the loader, within a job that lives across calls as in
// a run (an icon file's image count is then kept from its first image on). On success
// `Picture` holds the source picture; `Message` is the message boxes' first lines, "caption:
// text" (empty when none): the reason below them is worded by the decoders.
struct LoadResult {
    bool Ok = false;
    QImage Picture;
    int SubCount = 0;
    QString Message;
};
inline LoadResult LoadWithLoader(TJobState& job, const std::filesystem::path& file, int subIndex) {
    FakeWizardView view;
    LoadResult result;
    result.Ok = loadFile(job, view, file, subIndex);
    result.SubCount = job.SubCount;
    if (result.Ok) result.Picture = job.InputImage;
    result.Message = FirstLines(view.messages).join(QLatin1Char('\n'));
    return result;
}
inline LoadResult LoadWithLoader(const std::filesystem::path& file, int subIndex = 0) {
    TJobState job;
    return LoadWithLoader(job, file, subIndex);
}
