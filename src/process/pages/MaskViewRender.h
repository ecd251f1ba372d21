#pragma once

#include "core/JobState.h"

#include <QImage>
#include <QRegion>
#include <cstdint>

// The masking page's magnified view of the icon, drawn without any window into a V x V
// bitmap (Format_RGB32). Every icon pixel fills its cell (view pixel X shows icon pixel
// X * S / V); transparent pixels are silver inside a black frame two pixels wide; a
// dark grey grid runs along the cell edges. Colours are 0x00BBGGRR.

inline constexpr std::uint32_t MaskGridColor = 0x00666666;   // the grid lines
inline constexpr std::uint32_t MaskSilverColor = 0x00C0C0C0; // inside a transparent cell
inline constexpr std::uint32_t MaskFrameColor = 0x00000000;  // frame of a transparent cell

// A view bitmap of V x V pixels, not yet drawn.
QImage NewMaskView(std::int32_t viewWidth);

// Draws job's icon (IconImage for the colours, MaskMap for transparency, IconSize as S)
// into `view`. (x, y) is the icon pixel whose cell is redrawn; when either is -1 the
// whole view is drawn again. A cell outside the icon draws only what reaches into the
// view. Icon pixels missing from IconImage show black; MaskMap pixels missing are
// opaque.
void DrawMaskView(QImage& view, const TJobState& job, std::int32_t x, std::int32_t y);

// The view pixels a redraw of cell (x, y) may change: the cell's frame rectangle and the
// four grid lines through its edges. Empty when S or V is not positive.
QRegion MaskCellRegion(std::int32_t x, std::int32_t y, std::int32_t iconSize,
                       std::int32_t viewWidth);
