#pragma once

#include "core/JobState.h"

#include <QImage>
#include <algorithm>
#ifdef QT_WIDGETS_LIB
#include <QScreen>
#include <QWidget>
#endif

namespace testutil {

// The mask view's look stated pixel by pixel, apart from the drawing code: the grid wins,
// then the frame of the last transparent cell drawn (x outer, y inner) whose rectangle
// holds the pixel, then the icon pixel the view pixel stretches to.
inline QRgb ReferenceMaskPixel(const TJobState& job, int V, int X, int Y) {
    const int S = job.IconSize;
    for (int g = 0; g <= S; ++g)
        if (X == g * V / S || Y == g * V / S) return qRgb(102, 102, 102);
    QRgb result = job.IconImage.pixel(X * S / V, Y * S / V) | 0xFF000000;
    for (int x = std::max(X * S / V - 1, 0); x <= std::min(X * S / V + 1, S - 1); ++x)
        for (int y = std::max(Y * S / V - 1, 0); y <= std::min(Y * S / V + 1, S - 1); ++y) {
            const int l = x * V / S + 1, t = y * V / S + 1;
            const int r = (x + 1) * V / S + 1, b = (y + 1) * V / S + 1;
            if (job.MaskMap.Pixels[x][y] == 0 || X < l || X >= r || Y < t || Y >= b) continue;
            const bool pen = X < l + 2 || X >= r - 2 || Y < t + 2 || Y >= b - 2;
            result = pen ? qRgb(0, 0, 0) : qRgb(192, 192, 192);
        }
    return result;
}

// Where `view` differs from the reference: the first such pixel as "X,Y", else empty.
inline std::string FirstMaskViewDifference(const TJobState& job, const QImage& view) {
    const int V = view.width();
    for (int Y = 0; Y < V; ++Y)
        for (int X = 0; X < V; ++X)
            if ((view.pixel(X, Y) | 0xFF000000) != ReferenceMaskPixel(job, V, X, Y))
                return std::to_string(X) + "," + std::to_string(Y);
    return {};
}

#ifdef QT_WIDGETS_LIB
// What the window system was given for `widget` (not a fresh rendering of it), in RGB32.
inline QImage OnScreen(QWidget* widget) {
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
#endif

} // namespace testutil
