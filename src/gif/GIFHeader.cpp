#include "gif/GIFHeader.h"

#include <cctype>

#include "gif/GIFStream.h"
#include "image/LittleEndian.h"
#include "reduce/GraphicErrors.h"

namespace {

bool StartsWithGIF(const std::uint8_t* signature) {
    return std::toupper(signature[0]) == 'G' && std::toupper(signature[1]) == 'I' &&
           std::toupper(signature[2]) == 'F';
}

} // namespace

void TGIFHeader::Clear() {
    FVersion.clear();
    FWidth = FHeight = 0;
    FColorMap.Clear();
}

void TGIFHeader::LoadFromStream(TGIFStream& stream) {
    Clear();
    std::uint8_t signature[6];
    stream.ReadExact(signature, sizeof signature);
    if (!StartsWithGIF(signature)) {
        // Some files carry four bytes of their own in front of the signature.
        if (!stream.SeekTo(0)) throw GIFException("Invalid GIF signature");
        if (stream.Skip(4) < 4) throw GIFException("Premature end of data");
        stream.ReadExact(signature, sizeof signature);
        if (!StartsWithGIF(signature)) throw GIFException("Invalid GIF signature");
    }
    FVersion.assign(reinterpret_cast<const char*>(signature) + 3, 3);

    std::uint8_t descriptor[7];
    stream.ReadExact(descriptor, sizeof descriptor);
    FWidth = static_cast<int>(ReadLE16(descriptor));
    FHeight = static_cast<int>(ReadLE16(descriptor + 2));
    // Background colour index and aspect ratio (bytes 5 and 6) change nothing here.
    const std::uint8_t flags = descriptor[4];
    if (std::int64_t{FWidth} * FHeight > GIFMaxPixels) throw GIFException(GIFTooLargeMessage);
    if (flags & 0x80) FColorMap.LoadFromStream(stream, TGIFColorMap::CountFromFlags(flags));
}
