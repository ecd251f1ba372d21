#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The folder and file chooser's rules that need no window: how a typed text splits into
// its parts, what the answer is for a typed name or a shown folder, when OK may be
// pressed, and how the type filter's text reads. Plain text work; nothing here touches
// the file system.

// What the chooser is asked for.
enum class TChooserType { Open, Save, Directory };

// The caption: the title when there is one, else the type's own word.
QString ChooserCaption(const QString& title, TChooserType type);

// A text typed into the name field, split. Drive is "X:" on systems with drive letters
// and always empty elsewhere; Folder runs up to and including the last separator;
// Name is the rest.
struct TTypedPath {
    QString Drive;
    QString Folder;
    QString Name;
};
TTypedPath SplitTypedPath(const QString& text);

// A name holding "*" is a mask for the file list, never an answer.
bool HasWildcard(const QString& name);

// Whether OK may be pressed: Open needs an existing file, Save any name without "*",
// Directory a folder (empty only when the shown folder cannot be used).
bool ChooserOkEnabled(TChooserType type, const QString& fileName, bool fileExists);

// The answer while a name is typed: the shown folder joined with the typed name. Empty
// when the text names a folder (that takes effect only with Enter), when the name is
// empty or holds "*", or when there is no usable folder.
QString AnswerForTypedName(const QString& text, const QString& folder);

// The shown folder joined with a name, with exactly one separator between them; empty
// when either is empty.
QString JoinFolderAndName(const QString& folder, const QString& name);

// A folder as the directory answer: without a trailing separator, except at a root
// ("/", "C:\").
QString FolderAnswer(const QString& folder);

// One entry of the type filter: a description and its mask.
struct TFilterEntry {
    QString Description;
    QString Mask;
};
// "Description|mask|Description|mask..."; a description without its mask gets "*.*",
// and an empty text gives the one entry "All files (*.*)|*.*".
QList<TFilterEntry> ParseFilter(const QString& filter);
// The entry to select for a remembered index: inside 0..count-1, the nearest one.
int ClampedFilterIndex(int index, int count);

// The volume a folder lies on: the longest of the roots that holds it; the first root
// when none does.
QString DriveOf(const QString& folder, const QStringList& roots);

// A mounted volume as the drive list sees it.
struct TVolume {
    QString RootPath;
    QString FileSystemType;
};
// The drive list: the roots of the volumes that hold files (the kernel's and the
// container's pseudo file systems left out), each once, the system root first and the
// others in name order.
QStringList DriveRoots(const QList<TVolume>& volumes);

// A mask as the file list's name patterns: ';'-separated, blanks trimmed, and "*.*" (the
// habit of systems with extensions) matching every file, those without a dot included.
// An empty mask matches every file.
QStringList NameFiltersOf(const QString& mask);
