#include "core/PagePreviews.h"

#include <algorithm>

namespace {
constexpr int kPreviewBox = 64;
}

QSize ScalePreviewSize(int width, int height) {
    if (width <= 0 || height <= 0) return {0, 0};
    if (width < height) return {width * kPreviewBox / height, kPreviewBox};
    return {kPreviewBox, height * kPreviewBox / width};
}

QRect PreviewPlace(QSize size) {
    return {QPoint((kPreviewBox - size.width()) / 2, (kPreviewBox - size.height()) / 2), size};
}

QImage LastPreviewPicture(const TJobState& job, QColor background) {
    if (job.IconImage.isNull()) return {};
    QImage picture = job.IconImage.convertToFormat(QImage::Format_RGB32);
    const TPxlMap& mask = job.MaskMap;
    const int width = mask.Initialized ? std::min(picture.width(), int{mask.Width}) : 0;
    const int height = mask.Initialized ? std::min(picture.height(), int{mask.Height}) : 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (mask.PixelAt(x, y) != 0) picture.setPixel(x, y, background.rgb());
    return picture;
}
