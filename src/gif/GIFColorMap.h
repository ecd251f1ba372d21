#pragma once

#include <cstdint>
#include <vector>

#include "reduce/Palette.h"

class TGIFStream;

struct TGIFColor {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;

    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

// A colour table as the file stores it: entries of red, green, blue.
class TGIFColorMap {
public:
    virtual ~TGIFColorMap() = default;

    int Count() const { return static_cast<int>(FColors.size()); }
    const TGIFColor& operator[](int index) const {
        return FColors.at(static_cast<std::size_t>(index));
    }
    void Clear() { FColors.clear(); }

    // Reads `count` entries of 3 bytes. A count outside 2..256 raises the map's own
    // GIFException; a table cut short raises "Premature end of data".
    void LoadFromStream(TGIFStream& stream, int count);

    // The entry count that the 3-bit size field of a descriptor gives: 2^(n+1).
    static int CountFromFlags(std::uint8_t flags) { return 2 << (flags & 0x07); }

    // The entries as a palette for the row writer.
    TPalette ToPalette() const;

protected:
    virtual const char* InvalidCountMessage() const = 0;

private:
    std::vector<TGIFColor> FColors;
};

// The file's colour table, after the logical screen descriptor.
class TGIFGlobalColorMap : public TGIFColorMap {
protected:
    const char* InvalidCountMessage() const override {
        return "Invalid number of colors specified in Screen Descriptor";
    }
};

// A frame's own colour table, after its image descriptor.
class TGIFLocalColorMap : public TGIFColorMap {
protected:
    const char* InvalidCountMessage() const override {
        return "Invalid number of colors specified in Image Descriptor";
    }
};
