#pragma once

#include "gif/GIFExtension.h"

// The graphic control block of the frame that follows; only its transparency is used.
class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t ExtensionLabel = 0xF9;

    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return ExtensionLabel; }

    std::uint8_t BlockSize() const { return FBlock[0]; }
    bool Transparent() const { return (FBlock[1] & 0x01) != 0; }
    std::uint8_t TransparentColorIndex() const { return FBlock[4]; }

protected:
    void LoadData(TGIFStream& stream) override;

private:
    // Block size, packed fields, delay (2 bytes), transparent index, terminator.
    std::uint8_t FBlock[6] = {};
};
