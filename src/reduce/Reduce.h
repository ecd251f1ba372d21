#pragma once

#include <QImage>

#include "reduce/Palette.h"

// Reduction methods: which palette the reduced picture indexes.
namespace ReductionMethod {
inline constexpr int None = 0;   // a 24-bit copy of the source
inline constexpr int Octree = 7; // 2^bits colours chosen from the source by the octree
inline constexpr int Custom = 9; // a copy of the caller's palette
} // namespace ReductionMethod

// Dither methods: how pixels are mapped onto that palette.
namespace DitherMethod {
inline constexpr int Nearest = 0;        // nearest colour, no error diffusion
inline constexpr int FloydSteinberg = 1; // serpentine Floyd-Steinberg error diffusion
} // namespace DitherMethod

// Reduces `source` to a new 8-bit picture (QImage::Format_Indexed8) of the same size whose
// pixels index a palette of at most 2^bits colours. The colour table always has 256
// entries: the palette first, black after it; ImportantColors() of the result gives the
// palette's size.
//
// The source is converted in place to 24 bits per pixel (QImage::Format_BGR888) for every
// method but ReductionMethod::None, and stays so; its pixels are not otherwise changed.
// `bits` must lie in 1..8 for ReductionMethod::Octree; `customPalette` is read only by
// ReductionMethod::Custom and stays the caller's.
//
// Returns a null picture, without raising, for a method or dither method this build does not
// provide, a bits value outside 1..8, or a palette without entries. A source whose width or
// height is 0 raises GIFException "Invalid image dimensions"; exceptions from the row access
// pass on unchanged, and no result is returned with them.
QImage MakeIndexedBitmap(QImage& source, int method, int dither, int bits,
                         const TPalette* customPalette = nullptr);
