#include "core/InputQueue.h"

#include "core/PathParts.h"
#include "image/FileNames.h"

#include <Qt>

#include <algorithm>
#include <array>
#include <functional>

namespace {

const std::array<QString, 7> kSupportedExtensions{
    QStringLiteral(".bmp"), QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".gif"),
    QStringLiteral(".ico"), QStringLiteral(".png"), QStringLiteral(".svg")};

} // namespace

QString TInputQueue::HintLine() {
    return QStringLiteral("Drag file(s) to me or click \"Add\" button");
}

bool TInputQueue::IsSupportedFile(const QString& path) {
    const QString extension = LowerExtension(path);
    if (std::find(kSupportedExtensions.begin(), kSupportedExtensions.end(), extension) ==
        kSupportedExtensions.end())
        return false;
    // A folder named like a picture is not a picture. Anything else there (a FIFO, a
    // device) is queued and then refused by the loading, which says why.
    return ExistsNamed(path) && !IsFolderNamed(path);
}

bool TInputQueue::Queue(const QString& path) {
    if (!IsSupportedFile(path)) return false;
    // Held as a full path, so that a later change of the current folder (the file
    // chooser makes one) cannot lead a queued name to another file or to none.
    const QString full = AbsoluteName(path);
    // Exact text only: other spellings of the same file are separate entries.
    if (list_.contains(full, Qt::CaseSensitive)) return false;
    list_.append(full);
    return true;
}

void TInputQueue::QueueAll(const QStringList& paths) {
    for (qsizetype i = paths.size() - 1; i >= 0; --i)
        Queue(paths[i]);
}

void TInputQueue::Remove(const QList<int>& selectedRows) {
    QList<int> rows = selectedRows;
    // Highest row first, so the rows still to be removed keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows) {
        if (row >= 0 && row < list_.size()) list_.removeAt(row);
    }
}

QStringList TInputQueue::DisplayLines() const {
    if (list_.isEmpty()) return {HintLine()};
    QStringList lines;
    lines.reserve(list_.size());
    for (const QString& path : list_)
        lines.append(ReadableName(FileNamePart(path)));
    return lines;
}

TSourcePageState TInputQueue::SourcePage(bool clipboardHasBitmap, bool clipboardChosen) const {
    TSourcePageState state;
    state.ClipboardEnabled = clipboardHasBitmap;
    state.ClipboardChecked = clipboardHasBitmap && clipboardChosen;
    state.AddEnabled = true;
    state.ListLines = DisplayLines();
    const bool filled = !list_.isEmpty();
    state.FilePanelVisible = !state.ClipboardChecked;
    state.NextEnabled = state.ClipboardChecked || filled;
    state.ListEnabled = filled;
    state.RemoveEnabled = filled;
    return state;
}

TListKeyAction TInputQueue::KeyAction(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Insert:
        return TListKeyAction::Add;
    case Qt::Key_Delete:
        return TListKeyAction::Remove;
    default:
        return TListKeyAction::None;
    }
}
