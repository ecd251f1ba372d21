#include "process/building/IconSet.h"

#include "image/IconImages.h"
#include "image/IconLayout.h"
#include "process/building/IconBuild.h"
#include "process/loading/Sampling.h"
#include "process/loading/SvgLoader.h"
#include "reduce/GraphicErrors.h"

namespace {

void BlackOutMasked(TPxlMap& iconMap, TPxlMap& maskMap, int size) {
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            if (maskMap.GetPixel(x, y) == 1) iconMap.SetPixel(x, y, 0);
}

} // namespace

QImage TrueColorSource(const TJobState& job) {
    const QImage& picture = job.InputImage;
    const TPxlMap& mask = job.SourceMaskMap;
    if (job.SourceKind != TSourceKind::Ico || picture.hasAlphaChannel() || !mask.Initialized ||
        mask.Width != picture.width() || mask.Height != picture.height())
        return picture;
    QImage masked = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if (mask.GetPixel(x, y) == 1) row[x] &= 0x00FFFFFF;
    }
    return masked;
}

bool BuildIconSet(TJobState& job, const TCropState& crop) {
    if (job.SourceKind == TSourceKind::None) return false;
    job.IconSet.clear();
    job.IconMap.Clear();
    job.MaskMap.Clear();
    const bool bitmapFiles = job.OutFormat == TOutFormat::Bmp;
    if (job.PresetIconBPP == 32) {
        const bool drawn = job.SourceKind == TSourceKind::Svg && !job.SvgData.isEmpty();
        const QImage source = drawn ? QImage() : TrueColorSource(job);
        for (const std::int32_t size : job.OutputSizes) {
            // An SVG picture is drawn at each size rather than scaled from one bitmap.
            const QImage icon = drawn ? RenderSvg(job.SvgData, size) : AreaAverage(source, size);
            job.IconSet.push_back({size, 32,
                                   bitmapFiles   ? EncodeBitmapFile32(icon)
                                   : size >= 256 ? EncodePng(icon)
                                                 : EncodeIconBitmap32(icon)});
        }
        return true;
    }
    for (const std::int32_t size : job.OutputSizes) {
        TJobState one = job;
        one.OutputSizes.clear();
        one.IconSet.clear();
        one.IconSize = size;
        one.IconBPP = job.PresetIconBPP;
        one.Sizing = TSizing::Scale;
        if (job.SourceKind == TSourceKind::Svg && !job.SvgData.isEmpty())
            one.InputImage = RenderSvg(job.SvgData, size);
        if (!BuildIcon(one, crop)) return false;
        if (job.PresetMasking == TMasking::Auto) AutoMask(one);
        BlackOutMasked(one.IconMap, one.MaskMap, size);
        QByteArray data;
        if (bitmapFiles) {
            if (!one.IconMap.EncodeBMP(data))
                throw EInvalidGraphic("The icon picture cannot be encoded");
        } else if (size >= 256) {
            QImage icon(size, size, QImage::Format_ARGB32);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    icon.setPixel(x, y,
                                  one.MaskMap.GetPixel(x, y) == 1
                                      ? 0u
                                      : 0xFF000000u | one.IconMap.GetPaletteColor(
                                                          one.IconMap.GetPixel(x, y)));
            data = EncodePng(icon);
        } else {
            data = IconLayout::EncodeImage(one.IconMap, one.MaskMap);
        }
        job.IconSet.push_back({size, job.PresetIconBPP, data});
    }
    return true;
}
