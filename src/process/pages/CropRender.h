#pragma once

#include "process/building/CropState.h"

#include <QImage>
#include <QRect>
#include <cstdint>

// What the crop dialog shows, drawn without any window. The dialog never keeps a second
// copy of the padded picture: it draws each exposed area from the crop state, so moving
// the square costs only the areas of its old and new outline, whatever the picture's size.

// The square's outline picture (CursorImage): S x S, black, with a white one-pixel
// rectangle from (0, 0) to (S-1, S-1), right and bottom exclusive (Format_RGB32).
QImage CropCursorImage(std::int32_t iconSize);

// Pixels `area` of the shown picture (ShowImage), in padded-picture coordinates: the
// padded picture with the cursor picture squeezed into CropRect (nearest neighbour) and
// combined by exclusive-or. The result has the area's size (Format_RGB32); parts of the
// area outside the padded picture are black. A null picture when the padded picture
// cannot be built.
QImage RenderCropView(const TCropState& crop, const QRect& area);

// The padded pixels the outline of `rect` covers, for repainting when the square moves.
QRect CropOutlineBounds(const TCropRect& rect);
