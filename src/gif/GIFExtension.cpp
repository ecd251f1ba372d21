#include "gif/GIFExtension.h"

#include <array>

#include "gif/GIFStream.h"
#include "gif/GIFSubImage.h"
#include "reduce/GraphicErrors.h"

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage != nullptr ? subImage->Image() : nullptr), FSubImage(subImage) {}

void TGIFExtension::LoadFromStream(TGIFStream& stream) {
    std::uint8_t head[2];
    stream.ReadExact(head, sizeof head);
    if (head[0] != GIFExtensionIntroducer) throw GIFException("Invalid extension introducer");
    if (head[1] != Label()) {
        throw GIFException("Internal error: Extension Instance does not match Extension Label");
    }
    LoadData(stream);
}

std::vector<TGIFBlock> TGIFExtension::ReadSubBlocks(TGIFStream& stream) {
    std::vector<TGIFBlock> blocks;
    std::array<std::uint8_t, 255> data;
    bool truncated = false;
    while (const int size = stream.ReadSubBlock(data, truncated)) {
        if (truncated) throw GIFException("Premature end of data");
        blocks.push_back({{data.begin(), data.begin() + size}});
    }
    if (truncated) throw GIFException("Premature end of data");
    return blocks;
}
