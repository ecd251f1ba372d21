#include "process/IconSet.h"

#include "image/IconImages.h"
#include "image/IconLayout.h"
#include "process/IconBuild.h"
#include "process/SvgLoader.h"
#include "reduce/GraphicErrors.h"

#include <array>
#include <vector>

namespace {

// One source pixel's share of an icon pixel along an axis, in units of 1/size of a
// source pixel: icon pixel i covers [i * extent, (i + 1) * extent) in those units, source
// pixel x covers [x * size, (x + 1) * size).
struct Share {
    int Source;
    std::uint64_t Weight;
};

// For each icon pixel on an axis the source pixels it covers and their shares; the
// shares of one icon pixel add up to `extent`.
std::vector<std::vector<Share>> AxisShares(std::int64_t extent, std::int64_t size) {
    std::vector<std::vector<Share>> shares(static_cast<std::size_t>(size));
    for (std::int64_t i = 0; i < size; ++i) {
        const std::int64_t begin = i * extent;
        const std::int64_t end = (i + 1) * extent;
        for (std::int64_t x = begin / size; x * size < end; ++x) {
            const std::int64_t from = std::max(begin, x * size);
            const std::int64_t to = std::min(end, (x + 1) * size);
            if (to > from)
                shares[i].push_back({static_cast<int>(x), static_cast<std::uint64_t>(to - from)});
        }
    }
    return shares;
}

// The sums an icon pixel needs: alpha, alpha-weighted colour, plain colour.
using Sums = std::array<std::uint64_t, 7>;

std::uint8_t Rounded(std::uint64_t sum, std::uint64_t total) {
    return static_cast<std::uint8_t>((2 * sum + total) / (2 * total));
}

void BlackOutMasked(TPxlMap& iconMap, TPxlMap& maskMap, int size) {
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            if (maskMap.GetPixel(x, y) == 1) iconMap.SetPixel(x, y, 0);
}

} // namespace

QImage AreaAverage(const QImage& picture, std::int32_t size) {
    const QImage source = picture.format() == QImage::Format_ARGB32
                              ? picture
                              : picture.convertToFormat(QImage::Format_ARGB32);
    const std::int64_t width = source.width();
    const std::int64_t height = source.height();
    const auto columns = AxisShares(width, size);
    const auto rows = AxisShares(height, size);
    // Which icon rows each source row adds to, with its share.
    std::vector<std::vector<std::pair<int, std::uint64_t>>> rowTargets(
        static_cast<std::size_t>(height));
    for (int j = 0; j < size; ++j)
        for (const Share& share : rows[j])
            rowTargets[share.Source].emplace_back(j, share.Weight);

    std::vector<Sums> total(static_cast<std::size_t>(size) * size, Sums{});
    std::vector<Sums> line(static_cast<std::size_t>(size));
    for (int y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int i = 0; i < size; ++i) {
            Sums sums{};
            for (const Share& share : columns[i]) {
                const QRgb p = pixels[share.Source];
                const std::uint64_t a = qAlpha(p);
                const std::uint64_t wa = share.Weight * a;
                sums[0] += wa;
                sums[1] += wa * static_cast<std::uint64_t>(qRed(p));
                sums[2] += wa * static_cast<std::uint64_t>(qGreen(p));
                sums[3] += wa * static_cast<std::uint64_t>(qBlue(p));
                sums[4] += share.Weight * static_cast<std::uint64_t>(qRed(p));
                sums[5] += share.Weight * static_cast<std::uint64_t>(qGreen(p));
                sums[6] += share.Weight * static_cast<std::uint64_t>(qBlue(p));
            }
            line[i] = sums;
        }
        for (const auto& [j, weight] : rowTargets[y]) {
            Sums* target = &total[static_cast<std::size_t>(j) * size];
            for (int i = 0; i < size; ++i)
                for (std::size_t k = 0; k < 7; ++k)
                    target[i][k] += weight * line[i][k];
        }
    }

    QImage result(size, size, QImage::Format_ARGB32);
    if (result.isNull()) throw EOutOfMemory("Not enough memory for the icon picture");
    const std::uint64_t area =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    for (int j = 0; j < size; ++j) {
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(j));
        for (int i = 0; i < size; ++i) {
            const Sums& s = total[static_cast<std::size_t>(j) * size + i];
            if (s[0] == 0) {
                out[i] = qRgba(Rounded(s[4], area), Rounded(s[5], area), Rounded(s[6], area), 0);
                continue;
            }
            out[i] = qRgba(Rounded(s[1], s[0]), Rounded(s[2], s[0]), Rounded(s[3], s[0]),
                           Rounded(s[0], area));
        }
    }
    return result;
}

QImage TrueColorSource(const TJobState& job) {
    const QImage& picture = job.InputImage;
    TPxlMap mask = job.SourceMaskMap; // its reads are not const
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
