#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

// Puts a file's complete new content in place so that the target holds either its old
// bytes or all of the new ones, never a part: the bytes go to a temporary file in the
// target's own folder, are flushed to the disk, and an atomic rename replaces the
// target. On any failure the temporary file is removed, the target is left as it was,
// and EInOutError says "Cannot write <target>: <reason>" (the target, never the
// temporary file). A file at the target that may not be written (no write permission
// bit at all, or none for this user) is refused with "Permission denied" before
// anything is written, although the rename alone could replace it.
class SafeFile {
public:
    // Writes through a temporary file with a fresh unique name beside the target.
    static void Write(const QString& target, const QByteArray& bytes);
    // Writes through the given temporary path, which must be in the target's folder;
    // an existing file of that name is replaced.
    static void Write(const QString& target, const QString& tempPath, const QByteArray& bytes);

    // Test seam. When set, the hook is asked before each block is written to a
    // temporary file how many of its bytes the "disk" takes; fewer than offered makes
    // the write fail the way a full disk does. Returns the hook it replaces.
    using WriteHook = std::function<std::int64_t(const QString& tempPath, std::int64_t offset,
                                                 std::int64_t length)>;
    static WriteHook SetWriteHook(WriteHook hook);
};
