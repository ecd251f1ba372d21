#pragma once

#include "core/JobState.h"
#include "process/loading/PictureFile.h"

#include <QString>
#include <cstdint>

class PageAnswers;
class WizardClipboard;
class WizardMessages;

// Makes the job's current input its source picture (job.InputImage): the clipboard when
// the source page says so, otherwise job.InputList[job.FileIndex], whose lower-case
// extension alone picks the decoder (".bmp", ".ico", ".gif", ".jpg", ".jpeg", ".png", ".svg").
//
// On success: InputImage holds the picture at its own size in the format its decoder
// delivered (BMP: Qt's reader, 1-bit files as Format_Mono, palette files as
// Format_Indexed8; JPEG: Format_BGR888, or Format_Indexed8 with a grey palette for
// greyscale files; GIF: the GIF reader's frame 0 on the logical screen; PNG: Qt's reader;
// ICO: a palette image as CopyToPicture hands it over, any other as ReadIconPicture reads
// it; BMP, PNG and ICO pictures with transparency through HoldAlpha; SVG: the picture
// drawn at IconSize, Format_ARGB32, and its bytes in SvgData), SourceKind says which of
// these (or the clipboard) it was, and SubCount is 1, or the file's image count for icon
// files. For icon files IconMap and SourceMaskMap hold image job.SubIndex and its mask.
//
// With output format Ico or Bmp OutPath is cleared first, whatever follows.
//
// Every failure (unreadable or missing file, decoder error, picture without pixels or
// above MaxPicturePixels, icon image the pixel maps cannot hold, unknown extension, no
// picture on the clipboard) takes one path: SourceKind None, SubCount 0, `messages` shows
// LoadFailureMessage (the full path, or "in clipboard", and the reason) with the caption
// "Picture error", and the result is false. InputImage is then left as it was. Nothing
// is thrown.
//
// Icon files: the image count is taken when the file's first image is loaded and kept
// for its later images, and it is kept in SubCount when a later image fails, so the
// file's remaining images are still tried.
//
// `rowsFor`, when positive, is the size of the only stretch the run will make of the
// picture (scaling, never cropping): a large JPEG picture then holds just the rows that
// stretch reads, and InputRowsFor says so (see FitPicture). InputRowsFor is 0 otherwise.
bool LoadPicture(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                 WizardMessages& messages, std::int32_t rowsFor = 0);

// Why a picture could not be loaded: the name the message gives (the full path, "in
// clipboard", or empty for a queue entry that does not exist) and the reason in a few
// words ("not a JPEG file: starts with 0x6e 0x6f", "image 2 of 9 is a 16-bit image").
struct TLoadFailure {
    QString Name;
    QString Reason;
    // The system ran out of memory or file handles (EOutOfMemory, EOutOfResources): the
    // picture itself may be fine.
    bool LackOfResources = false;
};

// The text for a picture that did not load: "Cannot load picture " and the name, then the
// reason after `separator` (the message box's: on a line of its own).
QString LoadFailureMessage(const TLoadFailure& failure, QStringView separator = u"\n");

// LoadPicture without the message: a failure leaves the job as LoadPicture does and fills
// `failure` (when given) instead, for a front end that reports it its own way.
//
// `scaleFor`, when positive, says the picture serves only area averages to at most that
// size: a JPEG picture may then be decoded scaled down by libjpeg (see LoadJpegPicture).
bool LoadPictureQuietly(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                        std::int32_t rowsFor, TLoadFailure* failure, std::int32_t scaleFor = 0);

// Makes `picture` the job's one source picture, of `kind`: every row of it, or (rowsFor
// non-zero) the rows of that stretch (InputRowsFor).
void SetSourcePicture(TJobState& job, QImage picture, TSourceKind kind, std::int32_t rowsFor = 0);

// What LoadPicture does to the job before it reads anything: no source yet, and for Ico
// and Bmp no output name either.
void BeginLoading(TJobState& job);

// Decodes a ".bmp" file as a bitmap (no guessing from the content): with Qt's bitmap
// reader, except run-length data (RLE8, RLE4), which is decoded here into the same
// Format_Indexed8 picture with every pixel its codes leave unset at index 0. Throws
// EInvalidGraphic when the file cannot be read or is larger than maxPixels.
QImage LoadBitmapPicture(const QString& fileName, std::int64_t maxPixels = MaxPicturePixels);

// Decodes a ".png" file with Qt's PNG reader (every colour type and depth, interlaced or
// not), as the reader delivers it. Throws EInvalidGraphic when the file cannot be read or
// is larger than maxPixels (refused from its header).
QImage LoadPngPicture(const QString& fileName, std::int64_t maxPixels = MaxPicturePixels);

// A picture whose pixels carry transparency is held as Format_ARGB32 (not premultiplied),
// which the icon build and the true-colour output read; one whose alpha is opaque
// everywhere is held as Format_RGB32, and any other picture is returned as it is.
QImage HoldAlpha(QImage picture);

// Decodes frame 0 of a GIF file on its logical screen. Throws EInvalidGraphic for a
// logical screen above maxPixels (the reader refuses one above MaxPicturePixels from the
// header, before any frame is decoded), for a file that ends inside
// the image data of any frame, and for a frame 0 that shows a colour index beyond its
// colour table; passes on the GIF reader's own errors.
QImage LoadGifPicture(const QString& fileName, std::int64_t maxPixels = MaxPicturePixels);
