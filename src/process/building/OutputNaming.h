#pragma once

#include "core/JobState.h"

#include <QString>

// The output formats of the save page and the rules that name output files. Plain text
// work only: nothing here touches the file system except the clipboard numbering, which
// has to look for the files it must not reuse.

// One row of the format table, in the order of the save page's format list.
struct TOutputFormat {
    TOutFormat Format;
    const char* ComboItem; // the format list's item text
    int Index;             // the item's position in the list
    const char* Extension; // with its dot
    const char* Filter;    // what the folder and file chooser offers: description|pattern
    bool ReplaceOffered;   // whether the page shows "Replace existing file"
};

const TOutputFormat& OutputFormatFor(TOutFormat format);
// The row for a format list item; an item outside 0..2 is the Ico row.
const TOutputFormat& OutputFormatAt(int index);

// The output directory as PrepareOutput keeps it: the current working directory when
// empty, and ending with exactly one separator added when it had none (a directory that
// already ends with one is left exactly as it is).
QString WithTrailingSeparator(const QString& dir);

// The file-name part cut at its first dot: "my.photo.jpg" gives "my", "noext" stays whole.
QString BaseNameAtFirstDot(const QString& path);

// The name of a file source's output: base name of the source, "_N" (N = subIndex + 1)
// when the source holds more than one image, then the extension.
QString SourceOutputPath(const QString& outDir, const QString& sourcePath, int subCount,
                         int subIndex, const QString& extension);
// The first of outDir + "clipboard" + N + extension, N = 0, 1, 2, ..., at which nothing
// exists yet.
QString ClipboardOutputPath(const QString& outDir, const QString& extension);
