#pragma once

#include "core/JobState.h"
#include "image/ImageErrors.h"
#include "image/SystemFiles.h"

#include <vector>

class SavePageControls;
class StagedFile;

// The output would be written over a picture of the run itself: "Cannot write <target>:
// it is a picture of this run". The picture is not written; the run may go on.
struct EPictureOfRun : EInOutError {
    using EInOutError::EInOutError;
};

// The files queued as a run's pictures, known by device and inode so that any spelling
// of a path or a hard link finds them. Gathered when first asked and again whenever the
// queue has changed, so a batch asks the file system once per picture, not per write.
class TRunPictures {
public:
    // Whether `target` is the same file as one of `pictures`.
    bool Contains(const QString& target, const QStringList& pictures);

private:
    QStringList gathered_;
    std::vector<SystemFiles::FileId> files_; // sorted
};

// What WriteOutput did with the current picture.
enum class TWriteResult {
    Nothing,      // no picture loaded (SourceKind None)
    Written,      // the output file was created, replaced or (multi-resource) extended
    KeptExisting, // Replace was off and a file was there already: left alone, no message
};

// Prepares the save page for the current picture: OutFormat's format item and chooser
// filter, OutDir ending with the path separator (the current working directory when
// empty), OutPath by the naming rules (a name already there keeps its base name; a file
// source gives its base name, with "_N" for the images of a multi-image icon file; the
// clipboard gives the first free "clipboardN"), and OutIsDirectory. Enables the page's
// controls and hides the progress bar. False, with nothing changed, when no picture is
// loaded.
bool PrepareOutput(TJobState& job, SavePageControls& savePage);

// Writes the current picture to OutPath: first every pixel whose mask is set gets colour
// index 0 (black), then Ico writes a new one-image icon file, Mico appends the image
// to the icon file (creating it), Bmp writes the colour map as a bitmap file. With
// replace false, Ico and Bmp leave an existing file alone (and then do not mind an
// incomplete icon image); a folder or anything else that is no file at OutPath is an
// error then, not a file to keep.
//
// No format ever writes over a file queued as a picture of the run (the job's InputList):
// that is refused with EPictureOfRun before anything is written. Nor over anything that
// is not a regular file (a FIFO, a device): "not a regular file".
//
// Every write goes through a temporary file in the target's folder and one atomic rename;
// a failure leaves the earlier file byte for byte, removes the temporary file and throws
// (EInOutError, or EInvalidIcon when the file to extend is no icon file) with a message
// that names the path and the reason.
//
// `staged`, when given, may hold the file's bytes written ahead (OutputFileBytes): when
// they are exactly the bytes to write and in the target's folder, the staged file is put
// in place instead of writing them again. What is written and said is the same either way.
//
// A job that BuildsIconSet writes its IconSet instead: Ico one icon file holding every
// image, Mico all of them appended, Bmp one file per size (SizedBitmapPath when
// there are several, each kept or written on its own: Written when any is written). Its
// files written and kept are listed in `files`, when given (a single image's file is
// OutPath and not listed). `pictures`, when given, keeps what it learns about the queue
// for the next write.
struct TOutputFiles {
    QStringList Written;
    QStringList Kept;
};
TWriteResult WriteOutput(TJobState& job, bool replace, StagedFile* staged = nullptr,
                         TOutputFiles* files = nullptr, TRunPictures* pictures = nullptr);

// The bytes of the one file WriteOutput writes for an IconSet in the Ico format, or in
// Bmp when it holds one size; empty otherwise.
QByteArray IconSetFileBytes(TOutFormat format, const std::vector<TEncodedIcon>& set);

// Where Bmp puts the bitmap of `size` when a run makes several sizes: `path` with
// "-<size>" before its extension (holiday.bmp gives holiday-16.bmp).
QString SizedBitmapPath(const QString& path, std::int32_t size);

// The bytes of the file WriteOutput writes for these maps in the Ico or Bmp format;
// empty for Mico (whose file depends on what is there) and when it would write nothing.
QByteArray OutputFileBytes(TOutFormat format, TPxlMap iconMap, TPxlMap maskMap, int size);
