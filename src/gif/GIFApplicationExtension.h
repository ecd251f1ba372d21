#pragma once

#include <string>

#include "gif/GIFExtension.h"

// An application extension: an 8-byte identifier and a 3-byte authentication code, then
// data sub-blocks that only the named application understands. This class reads past them.
class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t ExtensionLabel = 0xFF;

    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return ExtensionLabel; }

    // Empty when the block held only 10 bytes.
    const std::string& Identifier() const { return FIdentifier; }
    const std::string& Authentication() const { return FAuthentication; }

protected:
    void LoadData(TGIFStream& stream) override;
    virtual void LoadApplicationData(TGIFStream& stream);

private:
    std::string FIdentifier;
    std::string FAuthentication;
};
