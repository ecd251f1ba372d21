#pragma once

#include <cstdint>
#include <vector>

#include "gif/GIFBlock.h"
#include "gif/GIFItem.h"
#include "gif/GIFList.h"

class TGIFStream;
class TGIFSubImage;

inline constexpr std::uint8_t GIFExtensionIntroducer = 0x21;

// Base of the extension blocks that stand before a frame's image descriptor.
class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* subImage);

    TGIFSubImage* SubImage() const { return FSubImage; }
    virtual std::uint8_t Label() const = 0;

    // Reads the introducer and the label, then the extension's own data. An introducer
    // other than 0x21 or a label of another class raise GIFException.
    void LoadFromStream(TGIFStream& stream);

protected:
    virtual void LoadData(TGIFStream& stream) = 0;

    // Reads data sub-blocks up to the size-0 block or the end of the stream; a block cut
    // short by the end of the stream raises "Premature end of data".
    static std::vector<TGIFBlock> ReadSubBlocks(TGIFStream& stream);

private:
    TGIFSubImage* FSubImage;
};

class TGIFExtensionList : public TGIFList<TGIFExtension> {};
