#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The operating system's own calls that the program's file handling needs beyond what Qt
// offers, kept in this one place: which file a path names, opening without blocking,
// files that have no name until they are complete, a lock on a folder, and the signals
// that ask a run to stop.
namespace SystemFiles {

// A file as the system knows it, whatever path leads to it.
struct FileId {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    auto operator<=>(const FileId&) const = default;
};

// The file `path` names, links followed; nothing when there is none.
std::optional<FileId> IdentityOf(const QString& path);

// Whether something that is neither a regular file nor a folder is at `path`, links
// followed: a FIFO, a device, a socket. Reading or writing one may block or never end.
bool IsSpecialFile(const QString& path);

// How many files the process may have open at once (its soft limit).
int OpenFileLimit();

// A new file in a folder, written before it is given its name: the file system's unnamed
// temporary file where it has them, otherwise a short hidden name of the program's own
// that no existing file has (made with exclusive creation). Closed, and removed if never
// named, when destroyed; a run killed outright leaves no unnamed file behind.
class NewFile {
public:
    NewFile() = default;
    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&& other) noexcept;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    // Creates the file in `folder`; invalid with the reason on failure.
    static NewFile Create(const QString& folder, QString* reason);

    bool IsValid() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }
    // The hidden name, empty while the file has none.
    const QString& Path() const { return path_; }

    // Gives the written file the name `target` in its folder, replacing what is there in
    // one atomic rename (a replaced file's permission bits are kept). The descriptor stays
    // open. False with the reason on failure; the file is then still unnamed or removed.
    bool PutAt(const QString& target, QString* reason);

private:
    void Release();
    int descriptor_ = -1;
    QString folder_;
    QString path_;
};

// Holds an exclusive lock on a folder for as long as it lives, for the runs that read a
// file there and write it back: another run waits for its turn instead of losing its
// change. The folder itself is the lock, so there is nothing to clean up.
class FolderLock {
public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int descriptor_ = -1;
};

// From now on SIGINT, SIGTERM and SIGHUP only note that the run is asked to stop, which
// the run checks between its steps (InterruptSignal). Idempotent.
void CatchInterrupts();
// A descriptor that becomes readable when such a signal arrives, for an event loop to
// watch; -1 before CatchInterrupts (or when it could not be made).
int InterruptDescriptor();
// The signal that asked the run to stop, 0 when none has.
int InterruptSignal();
// The exit status for a run stopped by that signal: 128 + its number.
int InterruptExitStatus(int signal);
// The signal's name as a person reads it ("Terminated", "Interrupt").
QString SignalText(int signal);

} // namespace SystemFiles
