#pragma once

#include <vector>

#include "gif/GIFApplicationExtension.h"
#include "gif/GIFBlock.h"

// Any other application extension: its data sub-blocks are kept as they are.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;

    const std::vector<TGIFBlock>& Blocks() const { return FBlocks; }

protected:
    void LoadApplicationData(TGIFStream& stream) override;

private:
    std::vector<TGIFBlock> FBlocks;
};
