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

int CropPreviewOffset(int iconSize) {
    return (kPreviewBox - iconSize) / 2;
}

QImage LastPreviewPicture(const TJobState& job, QColor background) {
    if (job.IconImage.isNull()) return {};
    QImage picture = job.IconImage.convertToFormat(QImage::Format_RGB32);
    const TPxlMap& mask = job.MaskMap;
    const int width = std::min(picture.width(), static_cast<int>(mask.GetWidth()));
    const int height = std::min(picture.height(), static_cast<int>(mask.GetHeight()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (mask.GetPixel(x, y) != 0) picture.setPixel(x, y, background.rgb());
    return picture;
}
