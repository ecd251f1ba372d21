#include "gif/GIFCommentExtension.h"

void TGIFCommentExtension::LoadData(TGIFStream& stream) {
    for (const TGIFBlock& block : ReadSubBlocks(stream)) {
        FText.emplace_back(block.Data.begin(), block.Data.end());
    }
}
