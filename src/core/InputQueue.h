#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the source page shows, derived from the queue and the clipboard.
struct TSourcePageState {
    bool ClipboardEnabled = false; // "From clipboard" can be chosen
    bool ClipboardChecked = false; // "From clipboard" is the choice (else "From file")
    bool FilePanelVisible = false; // the queue panel with the list, Add and Remove
    bool NextEnabled = false;
    bool ListEnabled = false;
    bool RemoveEnabled = false;
    bool AddEnabled = true;
    QStringList ListLines; // the list's lines: file names, or the hint line
};

// What a key pressed in the queue's list does.
enum class TListKeyAction { None, Add, Remove };

// The queue of picture files to convert, over the job's InputList (full paths in the
// order they are converted). Every way in (command line, dropped files, the Add dialog)
// applies the same acceptance test and refuses a path whose exact text, made absolute
// against the current folder (AbsoluteName), is queued already; unsupported and missing
// files are left out silently.
//
// The queue does not own the list; the list must outlive it.
class TInputQueue {
public:
    explicit TInputQueue(QStringList& list) : list_(list) {}

    // True for an existing file (not a folder) whose name ends in .bmp, .jpg, .jpeg,
    // .gif, .ico, .png or .svg in any letter case.
    static bool IsSupportedFile(const QString& path);

    // Queues one path as its full path; true when it was added.
    bool Queue(const QString& path);
    // Paths as they come in, taken last to first, each path whole: the program's arguments
    // (without the program itself), files dropped on the window, the Add dialog's choice.
    void QueueAll(const QStringList& paths);
    // Removes the entries at the given row numbers (as selected in the list); rows out
    // of range and repeated rows are ignored.
    void Remove(const QList<int>& selectedRows);

    // The list's lines: the file-name part of each entry, or the hint line when empty.
    QStringList DisplayLines() const;
    // The source page for the current queue. clipboardChosen is the choice the page
    // holds; it falls back to the file source when no picture is on the clipboard.
    TSourcePageState SourcePage(bool clipboardHasBitmap, bool clipboardChosen) const;

    // The Insert key acts as Add, the Delete key as Remove (Qt key codes).
    static TListKeyAction KeyAction(int qtKey);

    // The line the empty list shows.
    static QString HintLine();

private:
    QStringList& list_;
};
