#pragma once

#include "core/JobState.h"

#include <QString>
#include <cstdint>

class PageAnswers;
class WizardClipboard;
class WizardMessages;

// The largest source picture taken, in pixels (width x height). Larger pictures are
// refused from their header, before anything is decoded or allocated for them.
inline constexpr std::int64_t MaxPicturePixels = std::int64_t{1} << 28;

// Makes the job's current input its source picture (job.InputImage): the clipboard when
// the source page says so, otherwise job.InputList[job.FileIndex], whose lower-case
// extension alone picks the decoder (".bmp", ".ico", ".gif", ".jpg", ".jpeg").
//
// On success: InputImage holds the picture at its own size in the format its decoder
// delivered (BMP: Qt's reader, 1-bit files as Format_Mono, palette files as
// Format_Indexed8; JPEG: Format_BGR888, or Format_Indexed8 with a grey palette for
// greyscale files; GIF: the GIF reader's frame 0 on the logical screen; ICO: the image
// as CopyToPicture hands it over), SourceKind is "CLIP", "BMP", "ICO", "GIF" or "JPG" and
// SubCount 1, or the file's image count for icon files. For icon files IconMap and
// SourceMaskMap hold image job.SubIndex and its mask.
//
// With output format "ICO" or "BMP" OutPath is cleared first, whatever follows.
//
// Every failure (unreadable or missing file, decoder error, picture without pixels or
// above MaxPicturePixels, icon image the pixel maps cannot hold, unknown extension, no
// picture on the clipboard) takes one path: SourceKind "NONE", SubCount 0, `messages` shows
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
// words ("not a JPEG file: starts with 0x6e 0x6f", "image 2 of 9 is a 32-bit image").
struct TLoadFailure {
    QString Name;
    QString Reason;
};

// The message box's text for a picture that did not load: "Cannot load picture " and the
// name, then the reason on a line of its own.
QString LoadFailureMessage(const TLoadFailure& failure);

// LoadPicture without the message: a failure leaves the job as LoadPicture does and fills
// `failure` (when given) instead, for a front end that reports it its own way.
bool LoadPictureQuietly(TJobState& job, const PageAnswers& page, const WizardClipboard& clipboard,
                        std::int32_t rowsFor, TLoadFailure* failure);

// What LoadPicture does to the job before it reads anything: no source yet, and for "ICO"
// and "BMP" no output name either.
void BeginLoading(TJobState& job);

// Decodes a ".bmp" file as a bitmap (no guessing from the content): with Qt's bitmap
// reader, except run-length data (RLE8, RLE4), which is decoded here into the same
// Format_Indexed8 picture with every pixel its codes leave unset at index 0. Throws
// EInvalidGraphic when the file cannot be read or is larger than maxPixels.
QImage LoadBitmapPicture(const QString& fileName, std::int64_t maxPixels = MaxPicturePixels);

// Decodes frame 0 of a GIF file on its logical screen. Throws EInvalidGraphic for a
// logical screen above maxPixels (the reader refuses one above MaxPicturePixels from the
// header, before any frame is decoded), for a file that ends inside
// the image data of any frame, and for a frame 0 that shows a colour index beyond its
// colour table; passes on the GIF reader's own errors.
QImage LoadGifPicture(const QString& fileName, std::int64_t maxPixels = MaxPicturePixels);
