#include "process/OutputNaming.h"

#include <QDir>
#include <QFileInfo>
#include <array>
#include <cstdint>

namespace {

const std::array<TOutputFormat, 3> kFormats = {{
    {"ICO", "Normal Icon", 0, ".ico", "Normal Icon|*.ico", true},
    {"MICO", "Multi-Resource Icon", 1, ".ico", "Multi-Resource Icon|*.ico", false},
    {"BMP", "Windows Bitmap", 2, ".bmp", "Windows Bitmap|*.bmp", true},
}};

bool IsSeparator(QChar c) {
#ifdef _WIN32
    // Qt hands out paths with forward slashes on Windows too.
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
#else
    return c == QLatin1Char('/');
#endif
}

qsizetype LastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsSeparator(path[i])) return i;
    }
    return -1;
}

} // namespace

const TOutputFormat& OutputFormatFor(const QString& code) {
    for (const TOutputFormat& format : kFormats) {
        if (code == QLatin1String(format.Code)) return format;
    }
    return kFormats[0];
}

const TOutputFormat& OutputFormatAt(int index) {
    if (index < 0 || index >= static_cast<int>(kFormats.size())) return kFormats[0];
    return kFormats[static_cast<std::size_t>(index)];
}

QChar PathSeparator() {
#ifdef _WIN32
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString WithTrailingSeparator(const QString& dir) {
    QString result = dir;
    if (result.isEmpty()) result = QDir::toNativeSeparators(QDir::currentPath());
    if (result.isEmpty() || !IsSeparator(result.back())) result += PathSeparator();
    return result;
}

QString FileNamePart(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString FolderPart(const QString& path) {
    return path.left(LastSeparator(path) + 1);
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
