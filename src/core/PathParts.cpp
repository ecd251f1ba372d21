#include "core/PathParts.h"

namespace {

qsizetype LastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(path[i])) return i;
    }
    return -1;
}

} // namespace

QChar PathSeparator() {
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

bool IsPathSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
#else
    return c == QLatin1Char('/');
#endif
}

QString FileNamePart(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString FolderPart(const QString& path) {
    return path.left(LastSeparator(path) + 1);
}

QString LowerExtension(const QString& path) {
    const QString name = FileNamePart(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}
