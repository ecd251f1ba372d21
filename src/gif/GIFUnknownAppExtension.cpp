#include "gif/GIFUnknownAppExtension.h"

void TGIFUnknownAppExtension::LoadApplicationData(TGIFStream& stream) {
    FBlocks = ReadSubBlocks(stream);
}
