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

} // namespace

QString ProductTitle() {
    return QStringLiteral("Tessaly 3.5");
}

QString ApplicationTitle() {
    return QStringLiteral("Vantrel Tessaly 3.5");
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

QString WindowTitle(const TJobState& job, int kind, bool clipboardSource) {
    return kind == 1 ? StepSummary(job, clipboardSource) : ProductTitle();
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
