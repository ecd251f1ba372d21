#pragma once

#include <QChar>
#include <QString>

// The parts of a path, split at its last separator: '/' everywhere, and '\' as well on
// Windows, where Qt hands out paths with either.

// The separator that paths shown to the user and formed here use.
QChar PathSeparator();
bool IsPathSeparator(QChar c);
// Everything after the last separator.
QString FileNamePart(const QString& path);
// Everything up to and including the last separator; empty when there is none.
QString FolderPart(const QString& path);
// The file name's extension from its last dot, in lower case; empty when it has no dot.
QString LowerExtension(const QString& path);
