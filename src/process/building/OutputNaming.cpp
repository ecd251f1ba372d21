#include "process/building/OutputNaming.h"

#include "core/PathParts.h"

#include <QDir>
#include <QFileInfo>
#include <array>
#include <cstdint>

namespace {

const std::array<TOutputFormat, 3> kFormats = {{
    {TOutFormat::Ico, "Normal Icon", 0, ".ico", "Normal Icon|*.ico", true},
    {TOutFormat::Mico, "Multi-Resource Icon", 1, ".ico", "Multi-Resource Icon|*.ico", false},
    {TOutFormat::Bmp, "Windows Bitmap", 2, ".bmp", "Windows Bitmap|*.bmp", true},
}};

} // namespace

const TOutputFormat& OutputFormatFor(TOutFormat format) {
    return kFormats[static_cast<std::size_t>(format)];
}

const TOutputFormat& OutputFormatAt(int index) {
    if (index < 0 || index >= static_cast<int>(kFormats.size())) return kFormats[0];
    return kFormats[static_cast<std::size_t>(index)];
}

QString WithTrailingSeparator(const QString& dir) {
    QString result = dir;
    if (result.isEmpty()) result = QDir::toNativeSeparators(QDir::currentPath());
    if (result.isEmpty() || !IsPathSeparator(result.back())) result += PathSeparator();
    return result;
}

QString BaseNameAtFirstDot(const QString& path) {
    const QString name = FileNamePart(path);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString SourceOutputPath(const QString& outDir, const QString& sourcePath, int subCount,
                         int subIndex, const QString& extension) {
    QString base = BaseNameAtFirstDot(sourcePath);
    if (subCount > 1) base += QLatin1Char('_') + QString::number(std::int64_t{subIndex} + 1);
    return outDir + base + extension;
}

QString ClipboardOutputPath(const QString& outDir, const QString& extension) {
    // Anything already there, a folder included, is a name the output must not take.
    for (std::uint64_t n = 0;; ++n) {
        QString candidate = outDir + QStringLiteral("clipboard") + QString::number(n) + extension;
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
    }
}
