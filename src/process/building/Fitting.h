#pragma once

#include "core/JobState.h"

#include <QImage>
#include <cstdint>

class TCropState;

// Entering the sizing step: hands the source picture and the icon size to the crop state,
// which puts its square back at the top-left corner. False, with nothing done, while
// SourceKind is None.
bool PrepareCrop(TJobState& job, TCropState& crop);

// The S x S working bitmap (Format_BGR888, S = job.IconSize) that the icon is reduced
// from, a new picture the caller owns:
//   - Sizing Crop: crop.CropImage(), the square's (S-1) x (S-1) pixels stretched to S;
//   - Sizing Scale: the whole source picture stretched to S x S, ignoring its aspect.
// Both stretches are nearest neighbour: target pixel i takes source pixel i * W / S on
// each axis. A 1-bit source picture is scaled with the monochrome rule of
// StretchMonochrome. A picture without pixels draws nothing: the result then holds the
// padded picture's top-left S x S pixels (the frame colour).
// The crop state must have been prepared for the job's current picture and size. A picture
// loaded with only the rows of a stretch to job.InputRowsFor (non-zero) serves just that
// stretch: for any other size or for cropping this throws std::logic_error.
QImage FitPicture(const TJobState& job, const TCropState& crop);

// Nearest-neighbour stretch of the whole picture onto a size x size Format_BGR888 bitmap.
QImage StretchNearest(const QImage& picture, std::int32_t size);

// Stretch of a 1-bit picture (Format_Mono or Format_MonoLSB) onto size x size: target
// pixel i on an axis covers the source span from i * W / S up to but excluding
// max(i * W / S + 1, (i + 1) * W / S); it takes the darker of the two palette colours
// when any pixel of its span rectangle has it, else the lighter one. Darker means a
// smaller 30 red + 59 green + 11 blue; on a tie entry 0 counts as the darker. So black
// lines survive a shrink whatever the order of the palette.
QImage StretchMonochrome(const QImage& picture, std::int32_t size);

// Whether the job's picture brings its own transparency to the icon: a file's picture
// held with alpha (Format_ARGB32, see HoldAlpha). The clipboard's picture does not.
bool BringsAlpha(const TJobState& job);

// The S x S 1-bit mask (palette black, white) of the icon pixels whose source pixel, the
// one FitPicture samples for them, has an alpha below 128. Crop frame pixels are opaque.
// The picture must bring alpha (BringsAlpha).
TPxlMap FitAlphaMask(const TJobState& job, const TCropState& crop);
