// The JPEG loader (libjpeg with our error manager) on arbitrary bytes, decoding each input
// whole and again keeping only the rows of a stretch: the two must agree on whether the
// file loads, and on every row kept; the other rows must read 0.
#include "FuzzSupport.h"
#include "process/building/Fitting.h"
#include "process/loading/JpegLoader.h"
#include "process/loading/PictureLoader.h"
#include "process/loading/Sampling.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// A smaller limit than the program's keeps each run fast; the check itself is the same code.
constexpr std::int64_t kLimit = std::int64_t{1} << 20;

std::optional<QImage> load(const QString& path, std::int32_t rowsFor) {
    try {
        QImage picture = LoadJpegPicture(path, kLimit, rowsFor);
        if (picture.isNull()) __builtin_trap(); // failures throw, they never return empty
        return picture;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.jpg"));
    const std::optional<QImage> whole = load(path, 0);
    const std::int32_t rowsFor = 16 * static_cast<std::int32_t>(1 + size % 3);
    const std::optional<QImage> part = load(path, rowsFor);
    if (whole.has_value() != part.has_value()) __builtin_trap();
    if (!whole) return 0;
    if (part->size() != whole->size() || part->format() != whole->format() ||
        part->colorTable() != whole->colorTable())
        __builtin_trap();
    std::vector<bool> kept(static_cast<std::size_t>(whole->height()));
    for (int y : StretchRows(whole->height(), rowsFor))
        kept[static_cast<std::size_t>(y)] = true;
    const auto lineBytes = static_cast<std::size_t>(whole->width()) * whole->depth() / 8;
    for (int y = 0; y < whole->height(); ++y) {
        const uchar* got = part->constScanLine(y);
        const bool same = kept[static_cast<std::size_t>(y)]
                              ? std::equal(got, got + lineBytes, whole->constScanLine(y))
                              : std::all_of(got, got + lineBytes, [](uchar b) { return b == 0; });
        if (!same) __builtin_trap();
    }
    return 0;
}
