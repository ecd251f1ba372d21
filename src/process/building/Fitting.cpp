#include "process/building/Fitting.h"

#include "process/building/CropState.h"
#include "process/loading/PictureColor.h"
#include "process/loading/Sampling.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

std::uint32_t luminance(std::uint32_t color) {
    return 30 * (color & 0xFF) + 59 * ((color >> 8) & 0xFF) + 11 * ((color >> 16) & 0xFF);
}

} // namespace

bool PrepareCrop(TJobState& job, TCropState& crop) {
    if (job.SourceKind == TSourceKind::None) return false;
    crop.SetPicture(job.InputImage, job.IconSize);
    return true;
}

QImage StretchNearest(const QImage& picture, std::int32_t size) {
    QImage result(size, size, QImage::Format_BGR888);
    const std::int64_t width = picture.width();
    const std::int64_t height = picture.height();
    std::vector<int> columns(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        columns[i] = static_cast<int>(SpanStart(i, width, size));
    for (int j = 0; j < size; ++j) {
        const int sourceY = static_cast<int>(SpanStart(j, height, size));
        uchar* row = result.scanLine(j);
        for (int i = 0; i < size; ++i)
            PutColor(row, i, PictureColor(picture, columns[i], sourceY));
    }
    return result;
}

QImage StretchMonochrome(const QImage& picture, std::int32_t size) {
    const bool lsbFirst = picture.format() == QImage::Format_MonoLSB;
    const std::uint32_t entry0 = TableColor(picture, 0);
    const std::uint32_t entry1 = TableColor(picture, 1);
    const int darkIndex = luminance(entry1) < luminance(entry0) ? 1 : 0;
    const std::uint32_t dark = darkIndex == 1 ? entry1 : entry0;
    const std::uint32_t light = darkIndex == 1 ? entry0 : entry1;

    const std::int64_t width = picture.width();
    const std::int64_t height = picture.height();
    QImage result(size, size, QImage::Format_BGR888);
    for (int j = 0; j < size; ++j) {
        const std::int64_t top = SpanStart(j, height, size);
        const std::int64_t bottom = std::max(top + 1, SpanStart(j + 1, height, size));
        uchar* row = result.scanLine(j);
        for (int i = 0; i < size; ++i) {
            const std::int64_t left = SpanStart(i, width, size);
            const std::int64_t right = std::max(left + 1, SpanStart(i + 1, width, size));
            bool found = false;
            for (std::int64_t y = top; y < bottom && !found; ++y) {
                const uchar* line = picture.constScanLine(static_cast<int>(y));
                for (std::int64_t x = left; x < right; ++x) {
                    const int shift =
                        lsbFirst ? static_cast<int>(x & 7) : 7 - static_cast<int>(x & 7);
                    if (((line[x >> 3] >> shift) & 1) == darkIndex) {
                        found = true;
                        break;
                    }
                }
            }
            PutColor(row, i, found ? dark : light);
        }
    }
    return result;
}

QImage FitPicture(const TJobState& job, const TCropState& crop) {
    const std::int32_t size = job.IconSize;
    if (job.InputRowsFor != 0 && (job.Sizing != TSizing::Scale || job.InputRowsFor != size))
        throw std::logic_error("The source picture was loaded for a stretch to another size");
    if (job.Sizing != TSizing::Scale) return crop.CropImage();

    const QImage& picture = job.InputImage;
    if (picture.width() <= 0 || picture.height() <= 0) {
        // Nothing to draw: the working bitmap keeps the padded picture's top-left corner.
        QImage result(size, size, QImage::Format_BGR888);
        for (int y = 0; y < size; ++y) {
            uchar* row = result.scanLine(y);
            for (int x = 0; x < size; ++x)
                PutColor(row, x, crop.PaddedColor(x, y));
        }
        return result;
    }
    const QImage::Format format = picture.format();
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB)
        return StretchMonochrome(picture, size);
    return StretchNearest(picture, size);
}

bool BringsAlpha(const TJobState& job) {
    return job.SourceKind != TSourceKind::Clip && job.SourceKind != TSourceKind::None &&
           job.InputImage.format() == QImage::Format_ARGB32;
}

TPxlMap FitAlphaMask(const TJobState& job, const TCropState& crop) {
    const std::int32_t size = job.IconSize;
    const QImage& picture = job.InputImage;
    const auto transparent = [&picture](std::int64_t x, std::int64_t y) {
        if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height()) return false;
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(static_cast<int>(y)));
        return qAlpha(row[x]) < 128;
    };
    TPxlMap mask{};
    mask.NewImage(size, size, 1);
    mask.SetPaletteColor(0, 0x000000);
    mask.SetPaletteColor(1, 0xFFFFFF);
    const std::int32_t border = crop.IconSize - 2;
    for (std::int32_t y = 0; y < size; ++y) {
        for (std::int32_t x = 0; x < size; ++x) {
            const bool clear =
                job.Sizing != TSizing::Scale
                    ? transparent(crop.CropSampleX(x) - border, crop.CropSampleY(y) - border)
                    : transparent(SpanStart(x, picture.width(), size),
                                  SpanStart(y, picture.height(), size));
            mask.SetPixel(x, y, clear ? 1 : 0);
        }
    }
    return mask;
}
