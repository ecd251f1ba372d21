#pragma once

#include "gif/GIFExtension.h"

// Delay, disposal and transparency of the frame that follows.
class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t ExtensionLabel = 0xF9;

    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return ExtensionLabel; }

    std::uint8_t BlockSize() const { return FBlock[0]; }
    std::uint8_t PackedFields() const { return FBlock[1]; }
    int Disposal() const { return (FBlock[1] >> 2) & 0x07; }
    bool UserInput() const { return (FBlock[1] & 0x02) != 0; }
    bool Transparent() const { return (FBlock[1] & 0x01) != 0; }
    // Hundredths of a second.
    int Delay() const { return FBlock[2] | (FBlock[3] << 8); }
    std::uint8_t TransparentColorIndex() const { return FBlock[4]; }

protected:
    void LoadData(TGIFStream& stream) override;

private:
    // Block size, packed fields, delay (2 bytes), transparent index, terminator.
    std::uint8_t FBlock[6] = {};
};
