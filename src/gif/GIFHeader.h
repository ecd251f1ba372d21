#pragma once

#include <cstdint>
#include <string>

#include "gif/GIFColorMap.h"
#include "gif/GIFItem.h"

class TGIFStream;

// Largest picture, in pixels, that the reader allocates for: a screen or a frame beyond it
// is refused before any memory is taken for it.
inline constexpr std::int64_t GIFMaxPixels = std::int64_t{1} << 28;
inline constexpr const char* GIFTooLargeMessage = "Image dimensions exceed the decoding limit";

// Signature, version, logical screen descriptor and the global colour table.
class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image) {}

    void Clear();
    // Reads the header at the stream's start. "GIF" (any case) may stand at offset 0 or 4;
    // otherwise GIFException "Invalid GIF signature".
    void LoadFromStream(TGIFStream& stream);

    const std::string& Version() const { return FVersion; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const TGIFGlobalColorMap& ColorMap() const { return FColorMap; }

private:
    std::string FVersion;
    int FWidth = 0;
    int FHeight = 0;
    TGIFGlobalColorMap FColorMap;
};
