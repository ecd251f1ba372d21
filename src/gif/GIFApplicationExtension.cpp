#include "gif/GIFApplicationExtension.h"

#include "gif/GIFStream.h"
#include "reduce/GraphicErrors.h"

void TGIFApplicationExtension::LoadData(TGIFStream& stream) {
    const int size = stream.ReadByte();
    if (size < 0) throw GIFException("Premature end of data");
    FIdentifier.clear();
    FAuthentication.clear();
    if (size == 10) {
        // Some writers leave out a byte of the code. Exactly the block is consumed: one byte
        // more would be the size of the first data sub-block.
        if (stream.Skip(10) < 10) throw GIFException("Premature end of data");
    } else if (size < 11) {
        throw GIFException("Unsupported Application Extension block size");
    } else {
        std::uint8_t code[11];
        stream.ReadExact(code, sizeof code);
        FIdentifier.assign(reinterpret_cast<const char*>(code), 8);
        FAuthentication.assign(reinterpret_cast<const char*>(code) + 8, 3);
        const auto rest = static_cast<std::size_t>(size - 11);
        if (stream.Skip(rest) < rest) throw GIFException("Premature end of data");
    }
    LoadApplicationData(stream);
}

void TGIFApplicationExtension::LoadApplicationData(TGIFStream& stream) {
    ReadSubBlocks(stream);
}
