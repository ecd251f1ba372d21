#pragma once

#include <string>
#include <vector>

#include "gif/GIFExtension.h"

// Plain text to be drawn in a grid of character cells; each sub-block is one line.
class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t ExtensionLabel = 0x01;

    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return ExtensionLabel; }

    int Left() const { return Word(1); }
    int Top() const { return Word(3); }
    int GridWidth() const { return Word(5); }
    int GridHeight() const { return Word(7); }
    std::uint8_t CharWidth() const { return FBlock[9]; }
    std::uint8_t CharHeight() const { return FBlock[10]; }
    std::uint8_t ForegroundColorIndex() const { return FBlock[11]; }
    std::uint8_t BackgroundColorIndex() const { return FBlock[12]; }
    const std::vector<std::string>& Text() const { return FText; }

protected:
    void LoadData(TGIFStream& stream) override;

private:
    int Word(int at) const { return FBlock[at] | (FBlock[at + 1] << 8); }

    // Block size, grid left, top, width, height, cell width, height, colour indices.
    std::uint8_t FBlock[13] = {};
    std::vector<std::string> FText;
};
