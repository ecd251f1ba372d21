#include "core/PageTexts.h"

#include "core/PathParts.h"

namespace {

QString StepPrefix(int step) {
    switch (step) {
    case PageResolution:
        return QStringLiteral("Resolution : ");
    case PageSizing:
        return QStringLiteral("Sizing : ");
    case PageMasking:
        return QStringLiteral("Masking : ");
    case PageSaving:
        return QStringLiteral("Saving : ");
    default:
        return {};
    }
}

// "1 icon", "2 icons".
QString Count(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QString ProductTitle() {
    return QStringLiteral("Tessaly " TESSALY_RELEASE);
}

QString ApplicationTitle() {
    return QStringLiteral("Vantrel ") + ProductTitle();
}

QString StepSummary(const TJobState& job, bool clipboardSource) {
    const QString prefix = StepPrefix(job.Step);
    if (job.SourceKind == TSourceKind::Clip ||
        (clipboardSource && job.SourceKind == TSourceKind::None))
        return prefix + QStringLiteral("Source = picture in clipboard");
    if (job.FileCount >= 2 && job.AutoMode == 1)
        return prefix + QStringLiteral("Source = multiple files");

    const int entry = job.FileCount < 2 ? 0 : job.FileIndex;
    const QString name =
        entry >= 0 && entry < job.InputList.size() ? FileNamePart(job.InputList[entry]) : QString();
    QString title = prefix + QStringLiteral("Source = \"") + name + QLatin1Char('"');
    if (job.SubCount >= 2)
        title += QStringLiteral(" sub-icon (%1/%2)").arg(job.SubIndex + 1).arg(job.SubCount);
    if (job.FileCount >= 2)
        title += QStringLiteral(", remain %1 files").arg(job.FileCount - job.FileIndex - 1);
    return title;
}

QString WindowTitle(const TJobState& job, TTitleKind kind, bool clipboardSource) {
    return kind == TTitleKind::StepSummary ? StepSummary(job, clipboardSource) : ProductTitle();
}

QString NextCaption(int step) {
    switch (step) {
    case PageSaving:
        return QStringLiteral("Save");
    case PageFinish:
        return QStringLiteral("Finish");
    default:
        return QStringLiteral("&Next >");
    }
}

QString BackCaption() {
    return QStringLiteral("< &Back");
}

QString CancelCaption() {
    return QStringLiteral("Cancel");
}

QString FormatDescription(int item) {
    switch (item) {
    case 0:
        return QStringLiteral("Save each picture to each individual ICO file.");
    case 1:
        return QStringLiteral("Merge one or more pictures into one ICO file.");
    case 2:
        return QStringLiteral("Save each picture as a normal BMP file.");
    default:
        return {};
    }
}

QString LocationLabel(bool directory) {
    return directory ? QStringLiteral("Output &directory") : QStringLiteral("Output file &name");
}

QString LocationText(const TJobState& job) {
    return job.OutIsDirectory == 1 ? job.OutDir : job.OutPath;
}

QString AddDialogFilter() {
    return QStringLiteral("Windows bitmap (*.bmp)|*.bmp|JPEG (*.jpg *.jpeg)|*.jpg;*.jpeg|"
                          "CompuServe GIF (*.gif)|*.gif|Windows icon (*.ico)|*.ico|"
                          "PNG (*.png)|*.png|SVG (*.svg)|*.svg|"
                          "All supported formats|*.bmp;*.jpg;*.jpeg;*.gif;*.ico;*.png;*.svg");
}

QString AddDialogStartFilter(const QStringList& nameFilters) {
    for (const QString& filter : nameFilters)
        if (filter.startsWith(QStringLiteral("All supported formats"))) return filter;
    return nameFilters.value(0);
}

QStringList NameFilters(const QString& barFilter) {
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The file dialog reads the patterns from the description's closing parentheses.
        const QString listed = QStringLiteral("(%1)").arg(patterns);
        filters << (description.endsWith(listed) ? description
                                                 : description + QLatin1Char(' ') + listed);
    }
    return filters;
}

QString FinishHeadline(const TRunRecord& record) {
    if (record.Stopped)
        return record.Saved > 0 ? QStringLiteral("Stopped: %1 saved.")
                                      .arg(Count(record.Saved, "icon was", "icons were"))
                                : QStringLiteral("Stopped before any icon was saved.");
    return record.Saved > 0 ? QStringLiteral("All valid icons were successfully saved.")
                            : QStringLiteral("No icon was saved.");
}

QString FinishDetails(const TRunRecord& record) {
    QStringList lines;
    for (const QString& place : record.Places) {
        const bool folder = place.endsWith(PathSeparator());
        lines << (folder ? QStringLiteral("Saved in the folder %1") : QStringLiteral("Saved in %1"))
                     .arg(place);
    }
    if (record.Kept > 0)
        lines << QStringLiteral("%1 kept (Replace existing file was off).")
                     .arg(Count(record.Kept, "existing file", "existing files"));
    if (!record.Failures.empty()) {
        if (!lines.isEmpty()) lines << QString(); // a blank line before the list
        const int failed = static_cast<int>(record.Failures.size());
        lines << QStringLiteral("%1 not be loaded:")
                     .arg(Count(failed, "picture could", "pictures could"));
        for (const TRunFailure& failure : record.Failures) {
            const QString name = FileNamePart(failure.Name);
            lines << QStringLiteral("%1: %2").arg(name.isEmpty() ? failure.Name : name,
                                                  failure.Reason);
        }
    }
    return lines.join(QLatin1Char('\n'));
}
