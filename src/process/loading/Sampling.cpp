#include "process/loading/Sampling.h"

#include "reduce/GraphicErrors.h"

#include <algorithm>
#include <array>

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

} // namespace

std::int64_t SpanStart(std::int64_t i, std::int64_t extent, std::int64_t size) {
    return i * extent / size;
}

std::vector<int> StretchRows(int height, std::int32_t size) {
    std::vector<int> rows;
    if (height <= 0 || size <= 0) return rows;
    rows.reserve(static_cast<std::size_t>(std::min<std::int64_t>(height, size)));
    for (std::int32_t j = 0; j < size; ++j) {
        const int row = static_cast<int>(SpanStart(j, height, size));
        if (rows.empty() || rows.back() != row) rows.push_back(row);
    }
    return rows;
}

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
