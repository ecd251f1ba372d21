#pragma once

#include "image/SystemFiles.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Flushes files to the disk on a thread of its own, one after the other in the order
// asked, so that a batch of safe writes need not wait for the disk one by one: the
// staged files of SafeFile::Stage, and the folders they are renamed into. Destroying it
// waits until everything asked for is on the disk.
class DiskFlusher {
public:
    DiskFlusher();
    ~DiskFlusher();
    DiskFlusher(const DiskFlusher&) = delete;
    DiskFlusher& operator=(const DiskFlusher&) = delete;

    // Takes the open descriptor: flushes its file, closes it, and says whether it went.
    std::shared_future<bool> QueueFile(int descriptor);
    // Flushes the folder (renames into it) once no file waits, or before the end: one
    // flush then covers every rename made so far.
    void QueueFolder(const QString& folder);

private:
    struct Item {
        int Descriptor = -1;
        std::promise<bool> Done;
    };
    void Run();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Item> items_;
    std::vector<QString> folders_;
    bool stopping_ = false;
    std::thread thread_;
};

// A file's complete new content already written to a new file in a folder (unnamed, see
// SystemFiles::NewFile) and flushed to the disk (or being flushed by a DiskFlusher), waiting to be
// put in place by SafeFile::WriteOrCommit. Lets the slow part of a safe write happen ahead, on
// another thread, while the decision where the file goes and the rename stay with the caller.
// Removed unless committed.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // Whether a new file is held.
    bool IsValid() const { return file_.IsValid(); }
    // The folder's absolute path, and the content written.
    const QString& Folder() const { return folder_; }
    const QByteArray& Bytes() const { return bytes_; }

private:
    friend class SafeFile;
    void Discard();
    // Whether the content is on the disk; waits for the flusher when it has it.
    bool Flushed() const;
    QString folder_;
    SystemFiles::NewFile file_; // open until committed or discarded
    bool counted_ = false;      // among the staged files held open
    QByteArray bytes_;
    std::shared_ptr<DiskFlusher> flusher_;
    std::shared_future<bool> flushed_;
};

// Puts a file's complete new content in place so that the target holds either its old
// bytes or all of the new ones, never a part: the bytes go to a temporary file in the
// target's own folder (one without a name while the file system allows it, else a short
// hidden one of the program's own: no existing file is ever used or removed for it), are
// flushed to the disk, and an atomic rename replaces the target. On any failure the
// temporary file is removed, the target is left as it was,
// and EInOutError says "Cannot write <target>: <reason>" (the target, never the
// temporary file). A file at the target that may not be written (no write permission
// bit at all, or none for this user) is refused with "Permission denied" before
// anything is written, although the rename alone could replace it; so is anything at the
// target that is neither a regular file nor a folder (a FIFO, a device), with "not a
// regular file", before it is opened.
class SafeFile {
public:
    // Writes through a new temporary file beside the target.
    static void Write(const QString& target, const QByteArray& bytes);

    // The first half of Write done ahead: the bytes in a new temporary file in `folder`,
    // flushed to the disk at once, or by `flusher` when given one. Never throws; any
    // failure gives an invalid StagedFile, and the caller then writes the usual way (which
    // reports the failure). Gives nothing while a write hook is set, so a hook sees every
    // block a run writes, nor while staged files hold a quarter of the descriptors the
    // process may open (each stays open until committed), so loading never runs short.
    static StagedFile Stage(const QString& folder, const QByteArray& bytes,
                            const std::shared_ptr<DiskFlusher>& flusher = nullptr) noexcept;
    // Puts `staged` in place of `target` when it holds exactly `bytes`, is in the target's
    // folder and reached the disk, with the same checks and messages as Write (the folder
    // is then flushed by the staged file's flusher, if any); otherwise writes the bytes
    // as Write does. The staged file is used up either way.
    static void WriteOrCommit(const QString& target, const QByteArray& bytes, StagedFile* staged);

    // Test seam. When set, the hook is asked before each block is written to a
    // temporary file (named by its hidden name, or by the target while it has none) how many of its
    // bytes the "disk" takes; fewer than offered makes the write fail the way a full disk does.
    // Returns the hook it replaces.
    using WriteHook = std::function<std::int64_t(const QString& tempPath, std::int64_t offset,
                                                 std::int64_t length)>;
    static WriteHook SetWriteHook(WriteHook hook);

private:
    static void Commit(const QString& target, StagedFile& staged);
};
