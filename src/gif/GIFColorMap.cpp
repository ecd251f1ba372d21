#include "gif/GIFColorMap.h"

#include "gif/GIFStream.h"
#include "reduce/GraphicErrors.h"

void TGIFColorMap::LoadFromStream(TGIFStream& stream, int count) {
    FColors.clear();
    if (count < 2 || count > 256) throw GIFException(InvalidCountMessage());
    std::uint8_t raw[256 * 3];
    stream.ReadExact(raw, static_cast<std::size_t>(count) * 3);
    FColors.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        FColors[i] = {raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
}

TPalette TGIFColorMap::ToPalette() const {
    TPalette palette;
    palette.count = Count();
    for (int i = 0; i < Count(); ++i) {
        palette.entries[i] = {FColors[i].Red, FColors[i].Green, FColors[i].Blue, 0};
    }
    return palette;
}
