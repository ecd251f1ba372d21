#include "process/pages/MaskViewRender.h"

#include "image/ColorRef.h"
#include "process/building/CropState.h"
#include "process/loading/PictureColor.h"
#include "process/pages/MaskEdit.h"

#include <algorithm>
#include <vector>

namespace {

bool isTransparent(const TJobState& job, std::int32_t x, std::int32_t y) {
    const TPxlMap& mask = job.MaskMap;
    return mask.Initialized && x >= 0 && y >= 0 && x < mask.Width && y < mask.Height &&
           mask.Pixels[x][y] != 0;
}

std::uint32_t iconColor(const TJobState& job, std::int32_t x, std::int32_t y) {
    const QImage& icon = job.IconImage;
    if (x < 0 || y < 0 || x >= icon.width() || y >= icon.height()) return 0;
    return PictureColor(icon, x, y);
}

// Edge g of the cells on one axis, in view pixels.
std::int32_t cellEdge(std::int32_t g, std::int32_t iconSize, std::int32_t viewWidth) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(g) * viewWidth / iconSize);
}

// A rectangle [left, right) x [top, bottom) drawn with a pen two pixels wide that lies
// inside it: the two outer columns and rows on each side take the pen, the rest the fill.
void frameRect(QImage& view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, QRgb pen, QRgb fill) {
    const std::int32_t size = view.width();
    for (std::int32_t y = std::max(top, 0); y < std::min(bottom, size); ++y) {
        auto* row = reinterpret_cast<QRgb*>(view.scanLine(y));
        const bool penRow = y < top + 2 || y >= bottom - 2;
        for (std::int32_t x = std::max(left, 0); x < std::min(right, size); ++x)
            row[x] = penRow || x < left + 2 || x >= right - 2 ? pen : fill;
    }
}

void cellRect(QImage& view, std::int32_t x, std::int32_t y, std::int32_t iconSize, QRgb pen,
              QRgb fill) {
    const std::int32_t size = view.width();
    frameRect(view, cellEdge(x, iconSize, size) + 1, cellEdge(y, iconSize, size) + 1,
              cellEdge(x + 1, iconSize, size) + 1, cellEdge(y + 1, iconSize, size) + 1, pen, fill);
}

// Grid lines from (a, 0) to (a, V) and from (0, a) to (V, a); a line at V lies outside.
void gridColumn(QImage& view, std::int32_t a) {
    if (a < 0 || a >= view.width()) return;
    for (std::int32_t y = 0; y < view.height(); ++y)
        reinterpret_cast<QRgb*>(view.scanLine(y))[a] = RgbOf(MaskGridColor);
}

void gridRow(QImage& view, std::int32_t a) {
    if (a < 0 || a >= view.height()) return;
    std::fill_n(reinterpret_cast<QRgb*>(view.scanLine(a)), view.width(), RgbOf(MaskGridColor));
}

void drawWhole(QImage& view, const TJobState& job, std::int32_t iconSize) {
    const std::int32_t size = view.width();
    std::vector<QRgb> colors(static_cast<std::size_t>(iconSize) * iconSize);
    for (std::int32_t y = 0; y < iconSize; ++y)
        for (std::int32_t x = 0; x < iconSize; ++x)
            colors[static_cast<std::size_t>(y) * iconSize + x] = RgbOf(iconColor(job, x, y));
    // The stretch maps view pixels to icon pixels as the mouse does.
    std::vector<std::int32_t> column(static_cast<std::size_t>(size));
    for (std::int32_t x = 0; x < size; ++x)
        column[x] = ViewToIcon(x, iconSize, size);
    for (std::int32_t y = 0; y < size; ++y) {
        const QRgb* source = colors.data() + static_cast<std::size_t>(column[y]) * iconSize;
        auto* row = reinterpret_cast<QRgb*>(view.scanLine(y));
        for (std::int32_t x = 0; x < size; ++x)
            row[x] = source[column[x]];
    }
    // Frames overlap their right and lower neighbours by a pixel, so the order counts.
    for (std::int32_t x = 0; x < iconSize; ++x)
        for (std::int32_t y = 0; y < iconSize; ++y)
            if (isTransparent(job, x, y))
                cellRect(view, x, y, iconSize, RgbOf(MaskFrameColor), RgbOf(MaskSilverColor));
    for (std::int32_t g = 0; g <= iconSize; ++g) {
        gridColumn(view, cellEdge(g, iconSize, size));
        gridRow(view, cellEdge(g, iconSize, size));
    }
}

void drawCell(QImage& view, const TJobState& job, std::int32_t x, std::int32_t y,
              std::int32_t iconSize) {
    const std::int32_t size = view.width();
    if (isTransparent(job, x, y)) {
        cellRect(view, x, y, iconSize, RgbOf(MaskFrameColor), RgbOf(MaskSilverColor));
    } else {
        const QRgb color = RgbOf(iconColor(job, x, y));
        cellRect(view, x, y, iconSize, color, color);
    }
    gridColumn(view, cellEdge(x, iconSize, size));
    gridColumn(view, cellEdge(x + 1, iconSize, size));
    gridRow(view, cellEdge(y, iconSize, size));
    gridRow(view, cellEdge(y + 1, iconSize, size));
}

} // namespace

QImage NewMaskView(std::int32_t viewWidth) {
    QImage view(viewWidth, viewWidth, QImage::Format_RGB32);
    view.fill(RgbOf(MaskGridColor));
    return view;
}

void DrawMaskView(QImage& view, const TJobState& job, std::int32_t x, std::int32_t y) {
    const std::int32_t iconSize = job.IconSize;
    if (iconSize <= 0 || view.isNull() || view.depth() != 32 || view.width() != view.height())
        return;
    if (x == -1 || y == -1)
        drawWhole(view, job, iconSize);
    else
        drawCell(view, job, x, y, iconSize);
}

QRegion MaskCellRegion(std::int32_t x, std::int32_t y, std::int32_t iconSize,
                       std::int32_t viewWidth) {
    if (iconSize <= 0 || viewWidth <= 0) return {};
    const std::int32_t left = cellEdge(x, iconSize, viewWidth);
    const std::int32_t top = cellEdge(y, iconSize, viewWidth);
    const std::int32_t right = cellEdge(x + 1, iconSize, viewWidth);
    const std::int32_t bottom = cellEdge(y + 1, iconSize, viewWidth);
    QRegion region(left, top, right - left + 1, bottom - top + 1);
    region += QRect(left, 0, 1, viewWidth);
    region += QRect(right, 0, 1, viewWidth);
    region += QRect(0, top, viewWidth, 1);
    region += QRect(0, bottom, viewWidth, 1);
    return region & QRect(0, 0, viewWidth, viewWidth);
}
