#include "process/pages/CropRender.h"

#include "image/ColorRef.h"

#include <algorithm>

QImage CropCursorImage(std::int32_t iconSize) {
    QImage cursor(iconSize, iconSize, QImage::Format_RGB32);
    cursor.fill(qRgb(0, 0, 0));
    const std::int32_t last = iconSize - 2; // the rectangle's right and bottom edges
    for (std::int32_t i = 0; i <= last; ++i) {
        cursor.setPixel(i, 0, qRgb(255, 255, 255));
        cursor.setPixel(i, last, qRgb(255, 255, 255));
        cursor.setPixel(0, i, qRgb(255, 255, 255));
        cursor.setPixel(last, i, qRgb(255, 255, 255));
    }
    return cursor;
}

// The padded picture's pixels are read from the picture itself rather than from
// EmbedImage, so that showing a large picture takes no second copy of it.
QImage RenderCropView(const TCropState& crop, const QRect& area) {
    const QRect padded(0, 0, crop.PaddedWidth(), crop.PaddedHeight());
    if (padded.isEmpty() || area.isEmpty()) return {};
    QImage out(area.size(), QImage::Format_RGB32);
    out.fill(qRgb(0, 0, 0));
    const QRect inside = area & padded;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        auto* row =
            reinterpret_cast<QRgb*>(out.scanLine(y - area.top())) + (inside.left() - area.left());
        for (int x = 0; x < inside.width(); ++x) {
            row[x] = RgbOf(crop.PaddedColor(inside.left() + x, y));
        }
    }

    const TCropRect& square = crop.CropRect;
    const QRect target =
        QRect(square.Left, square.Top, square.Right - square.Left, square.Bottom - square.Top) &
        inside;
    if (target.isEmpty()) return out;
    const std::int32_t size = crop.IconSize;
    const QImage cursor = CropCursorImage(size);
    const std::int64_t spanX = square.Right - square.Left;
    const std::int64_t spanY = square.Bottom - square.Top;
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto* cursorRow = reinterpret_cast<const QRgb*>(
            cursor.constScanLine(static_cast<int>((y - square.Top) * size / spanY)));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y - area.top()));
        for (int x = target.left(); x <= target.right(); ++x)
            row[x - area.left()] ^= cursorRow[(x - square.Left) * size / spanX] & 0x00FFFFFF;
    }
    return out;
}

QRect CropOutlineBounds(const TCropRect& rect) {
    return QRect(rect.Left, rect.Top, std::max(rect.Right - rect.Left, 0),
                 std::max(rect.Bottom - rect.Top, 0));
}
