#pragma once

#include "core/JobState.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

// The sizes and pictures of the pages' previews.

// The resolution page's preview of a w x h picture: proportions kept inside 64 x 64, the
// longer side 64 (integer division, rounding down). An empty picture gives 0 x 0.
QSize ScalePreviewSize(int width, int height);

// Where a preview of the given size sits in its 64 x 64 box, centred: (64 - width) div 2
// from the left, (64 - height) div 2 from the top.
QRect PreviewPlace(QSize size);

// The save page's preview: the built icon picture (IconImage) at 1:1 with every pixel the
// mask marks transparent in `background`. Null when no icon is built.
QImage LastPreviewPicture(const TJobState& job, QColor background);
