#include "gif/GIFGraphicControlExtension.h"

#include "gif/GIFStream.h"
#include "gif/GIFSubImage.h"
#include "reduce/GraphicErrors.h"

void TGIFGraphicControlExtension::LoadData(TGIFStream& stream) {
    // Six bytes: size, fields, delay, transparent index, terminator. A block cut short by the
    // end of the file keeps what is there.
    if (stream.Read(FBlock, sizeof FBlock) < sizeof FBlock) {
        Warning("Premature end of data");
        return;
    }
    // The block is always 4 bytes long. Another size means the six bytes just taken are not
    // this block: reading on would swallow what follows (often the image descriptor) and
    // turn the frame into an empty one, so the file is refused instead.
    if (BlockSize() != 4) throw GIFException("Invalid graphic control block size");
    if (Transparent() && SubImage() != nullptr) SubImage()->MarkTransparent();
}
