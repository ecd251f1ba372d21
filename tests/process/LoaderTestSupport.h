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
