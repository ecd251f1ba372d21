#pragma once

#include <string>
#include <vector>

#include "gif/GIFExtension.h"

// A comment; each sub-block is one line.
class TGIFCommentExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t ExtensionLabel = 0xFE;

    using TGIFExtension::TGIFExtension;
    std::uint8_t Label() const override { return ExtensionLabel; }

    const std::vector<std::string>& Text() const { return FText; }

protected:
    void LoadData(TGIFStream& stream) override;

private:
    std::vector<std::string> FText;
};
