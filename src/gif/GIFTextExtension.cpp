#include "gif/GIFTextExtension.h"

#include "gif/GIFStream.h"

void TGIFTextExtension::LoadData(TGIFStream& stream) {
    stream.ReadExact(FBlock, sizeof FBlock);
    for (const TGIFBlock& block : ReadSubBlocks(stream)) {
        FText.emplace_back(block.Data.begin(), block.Data.end());
    }
}
