#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

// How a picture is sampled onto a square of `size` x `size` icon pixels.

// Start of icon pixel i's source span on an axis of `extent` source pixels: i * extent / size.
std::int64_t SpanStart(std::int64_t i, std::int64_t extent, std::int64_t size);

// The rows of a picture `height` rows tall that StretchNearest reads for `size`:
// j * height / size for j = 0 .. size - 1, ascending, each once.
std::vector<int> StretchRows(int height, std::int32_t size);

// The area average of `picture` (any format) on a size x size square, the picture
// stretched to it: each icon pixel is the mean of the picture area it covers, pixels cut
// by its edges counted by the part inside. Colours are averaged weighted by alpha (in
// premultiplied colour) and given back straight; where the whole area is transparent the
// plain mean colour is kept with alpha 0, so a picture of the icon's own size comes out
// unchanged. Every value is exact and rounded to nearest (halves up). Format_ARGB32.
QImage AreaAverage(const QImage& picture, std::int32_t size);
