#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// File names as the program holds them. The system names files by bytes; a name that is
// valid UTF-8 is held as the text those bytes spell (exactly as Qt decodes it), and every
// byte that is not part of valid UTF-8 (a Latin-1 "\xe9", say) as the lone surrogate
// U+DC00 + byte, which no decoded text can contain. NameBytes turns such a name back into
// the very bytes it came from, so a file whose name is not UTF-8 is still opened, and an
// output named after it still carries its bytes. Qt's own file classes encode a name as
// UTF-8 and would lose those bytes: every file a name of this kind may reach is opened
// through NameBytes.
QString NameFromBytes(const QByteArray& bytes);
QByteArray NameBytes(const QString& name);

// The name as a person reads it: each byte kept as a surrogate shown as the Latin-1
// letter it is most likely to be (U+FFFD for the C1 range). Other text is left as it is,
// so a whole message may be passed.
QString ReadableName(const QString& text);

// The name made absolute: a relative one is put after the current folder (read by its
// bytes as well), with its own text kept as it is; absolute and empty names are kept.
QString AbsoluteName(const QString& name);

// The folder that `name` is in, made absolute as AbsoluteName makes it (by text alone, so
// a name's bytes are kept): "/a/b" for "/a/b/c.ico", "/" for "/c.ico".
QString FolderOfName(const QString& name);

// Opens `file`, which has no name set, for reading the regular file called `name`,
// without ever waiting in open(). On failure returns false and puts the system's reason
// (e.g. "Too many open files", or NotRegularFileReason() for a FIFO or a device) in
// `reason` and its error number in `error`.
bool OpenForReading(QFile& file, const QString& name, QString* reason = nullptr,
                    int* error = nullptr);

// What a FIFO, a device or a socket is refused with: "not a regular file".
QString NotRegularFileReason();

// Whether `name` is a regular file (links followed), and whether anything is there.
bool IsFileNamed(const QString& name);
bool ExistsNamed(const QString& name);
bool IsFolderNamed(const QString& name);
