#include "gif/GIFGraphicControlExtension.h"

#include "gif/GIFStream.h"
#include "gif/GIFSubImage.h"

void TGIFGraphicControlExtension::LoadData(TGIFStream& stream) {
    // Always six bytes whatever the block size says; a short block keeps what is there.
    if (stream.Read(FBlock, sizeof FBlock) < sizeof FBlock) {
        Warning("Premature end of data");
        return;
    }
    if (Transparent() && SubImage() != nullptr) SubImage()->MarkTransparent();
}
