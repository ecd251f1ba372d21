#pragma once

#include "core/JobState.h"

#include <cstdint>

// The masking page's operations on the icon's mask, without any window. Only MaskMap is
// changed; IconMap is read. Icon coordinates outside 0..S-1 change nothing.

// The editing tool, carried by the pointer shape over the mask view.
enum class TMaskTool : std::uint8_t {
    None,    // default pointer: clicks do nothing
    ByColor, // circle pointer
    ByPixel, // pencil pointer
};

enum class TMouseButton : std::uint8_t { Left, Right, Middle };

// What the view must redraw after a mouse event.
struct TMaskRedraw {
    enum Kind : std::uint8_t { Nothing, Cell, Whole } What = Nothing;
    std::int32_t X = -1; // icon pixel of the cell
    std::int32_t Y = -1;
};

// View pixel to icon pixel on one axis: viewPos * iconSize / viewWidth, truncated toward
// zero, so positions up to one cell left of or above the view still give 0.
std::int32_t ViewToIcon(std::int32_t viewPos, std::int32_t iconSize, std::int32_t viewWidth);

// Marks transparent every pixel whose colour index equals that of icon pixel (x, y),
// connected or not. Returns false, changing nothing, for a pixel outside the icon.
bool MaskByColor(TJobState& job, std::int32_t x, std::int32_t y);

// Sets one mask pixel: transparent (1) or opaque (0).
void SetMaskPixel(TJobState& job, std::int32_t x, std::int32_t y, bool transparent);

// The keyboard's counterpart of the pencil: flips one mask pixel between transparent and
// opaque. Returns false, changing nothing, for a pixel outside the icon.
bool ToggleMaskPixel(TJobState& job, std::int32_t x, std::int32_t y);

// The mask view's mouse handlers, X and Y in view pixels (job.MaskViewWidth wide).
// By colour, any button marks the clicked colour. By pixel, the right button paints
// opaque and the left transparent while held (job.RightDrawing / job.LeftDrawing), and a
// move paints with the right button winning when both are held.
TMaskRedraw MaskMouseDown(TJobState& job, TMaskTool tool, TMouseButton button, std::int32_t x,
                          std::int32_t y);
TMaskRedraw MaskMouseMove(TJobState& job, TMaskTool tool, std::int32_t x, std::int32_t y);
void MaskMouseUp(TJobState& job, TMouseButton button);
