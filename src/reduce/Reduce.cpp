#include "reduce/Reduce.h"

#include <memory>
#include <optional>

#include "reduce/ColorQuantizer.h"
#include "reduce/DIB.h"
#include "reduce/FastColorLookup.h"
#include "reduce/FloydSteinbergDitherer.h"
#include "reduce/GraphicErrors.h"

namespace {

// The palette a reduction method names, or none when this build does not provide it.
std::optional<TPalette> MethodPalette(int method, int bits, TDIBReader& reader,
                                      const TPalette* customPalette) {
    switch (method) {
    case ReductionMethod::Octree:
        // The octree's palette table holds 256 entries.
        if (bits < 1 || bits > 8) return std::nullopt;
        return BuildOctreePalette(reader, 1 << bits);
    case ReductionMethod::Custom:
        return customPalette != nullptr ? *customPalette : TPalette{};
    default:
        return std::nullopt;
    }
}

std::unique_ptr<TDitherEngine> MakeDitherer(int dither, int rowWidth, TColorLookup& lookup) {
    switch (dither) {
    case DitherMethod::Nearest:
        return std::make_unique<TDitherEngine>(rowWidth, lookup);
    case DitherMethod::FloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(rowWidth, lookup);
    default:
        return nullptr;
    }
}

} // namespace

QImage MakeIndexedBitmap(QImage& source, int method, int dither, int bits,
                         const TPalette* customPalette) {
    if (method == ReductionMethod::None) {
        QImage copy = source;
        if (!copy.isNull()) copy.convertTo(QImage::Format_BGR888);
        return copy;
    }
    // A picture of more than 500000 pixels would make the still empty result a 1-bit
    // bitmap at this point; an empty QImage has no pixel format, so nothing is left to do.

    const int width = source.width();
    const int height = source.height();
    if (width == 0 || height == 0) throw GIFException("Invalid image dimensions");

    QImage result;
    TDIBReader reader(source, 24);
    const std::optional<TPalette> palette = MethodPalette(method, bits, reader, customPalette);
    if (!palette) return {};
    TFastColorLookup lookup(&*palette);
    if (lookup.EntryCount() == 0) return {};
    const std::unique_ptr<TDitherEngine> ditherer = MakeDitherer(dither, width, lookup);
    if (!ditherer) return {};

    {
        // The writer hands its picture, whole or partly filled, to `result` when this block
        // ends; on an exception `result` is then dropped with it.
        TDIBWriter writer(result, 8, width, height, &*palette);
        // Rows from the top, each in the ditherer's direction from its current column.
        for (int y = 0; y < height; ++y) {
            ditherer->DitherRow(reader.RowAddress(y), writer.RowAddress(y));
            ditherer->NextRow();
        }
    }
    return result;
}
