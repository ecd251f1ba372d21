#pragma once

#include "process/loading/BitmapCheck.h"

#include <QImage>
#include <QString>

#include <cstdint>

class ByteStream;

// What a walk of run-length codes found wrong.
enum class RunLengthFault {
    None,
    EndMissing,         // the data stops before the end-of-bitmap code
    RunPastPicture,     // pixels beyond the line's end or above the top row
    MovePastPicture,    // a move (delta) beyond the picture
    IndexBeyondPalette, // a pixel with an index the palette does not have
};

// Decodes RLE8 (`bits` 8) or RLE4 (`bits` 4) codes into `picture`, a Format_Indexed8
// picture whose bottom row the codes fill first. Reads up to the end-of-bitmap code or
// the end of the data, whichever comes first, and returns the first fault seen (None for
// sound codes).
//
// The whole picture is defined afterwards, whatever the codes hold: a pixel that they
// leave unset (skipped by a move, an end-of-line or the end-of-bitmap code, or not
// reached because the data stops early) is index 0, and so is a pixel whose index is
// `entries` or more. Runs and moves beyond a line or the picture are clipped.
RunLengthFault DecodeRunLength(ByteStream& codes, int bits, std::uint32_t entries, QImage& picture);

// Decodes the run-length bitmap file that CheckBitmapFile described as `layout`: a
// Format_Indexed8 picture with the file's colour table (opaque entries) and resolution,
// as Qt's reader gives it, its unset pixels index 0. Throws EInvalidGraphic for a
// picture above maxPixels or that cannot be allocated, and for codes with any fault (the
// same damage the rest of the file's look-over refuses).
QImage DecodeRunLengthBitmap(const QString& fileName, const RunLengthLayout& layout,
                             std::int64_t maxPixels);
