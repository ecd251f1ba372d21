#include "gif/GIFSubImage.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "gif/GIFAppExtNSLoop.h"
#include "gif/GIFCommentExtension.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFHeader.h"
#include "gif/GIFImage.h"
#include "gif/GIFLZWDecoder.h"
#include "gif/GIFStream.h"
#include "gif/GIFTextExtension.h"
#include "gif/GIFUnknownAppExtension.h"
#include "image/LittleEndian.h"
#include "reduce/DIB.h"
#include "reduce/GraphicErrors.h"

namespace {

// `head` holds the introducer, the label and, for an application extension, the block size,
// identifier and authentication code, as far as the file has them.
std::unique_ptr<TGIFExtension> CreateExtension(TGIFSubImage* frame, const std::uint8_t* head,
                                               std::size_t length) {
    switch (head[1]) {
    case TGIFTextExtension::ExtensionLabel:
        return std::make_unique<TGIFTextExtension>(frame);
    case TGIFGraphicControlExtension::ExtensionLabel:
        return std::make_unique<TGIFGraphicControlExtension>(frame);
    case TGIFCommentExtension::ExtensionLabel:
        return std::make_unique<TGIFCommentExtension>(frame);
    case TGIFApplicationExtension::ExtensionLabel: {
        const int blockSize = length >= 3 ? head[2] : -1;
        if (blockSize == 11 && length >= 14 && TGIFAppExtNSLoop::Handles(head + 3)) {
            return std::make_unique<TGIFAppExtNSLoop>(frame);
        }
        if (blockSize == 10 || blockSize == 11)
            return std::make_unique<TGIFUnknownAppExtension>(frame);
        return std::make_unique<TGIFApplicationExtension>(frame);
    }
    default:
        throw GIFException("Unknown extension type");
    }
}

} // namespace

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
    if (FColorMap.Count() > 0 || Image() == nullptr) return FColorMap;
    return Image()->Header().ColorMap();
}

std::uint8_t TGIFSubImage::TransparentColorIndex() const {
    return FGraphicControl != nullptr ? FGraphicControl->TransparentColorIndex() : 0;
}

void TGIFSubImage::LoadFromStream(TGIFStream& stream) {
    LoadExtensions(stream);
    LoadImage(stream);
}

void TGIFSubImage::LoadExtensions(TGIFStream& stream) {
    for (;;) {
        const int next = stream.PeekByte();
        if (next < 0 || next == GIFImageSeparator || next == GIFTrailerByte) return;
        if (next != GIFExtensionIntroducer) {
            Warning("Invalid extension introducer");
            return;
        }
        std::uint8_t head[14];
        const std::size_t length = stream.Peek(head, sizeof head);
        if (length < 2) throw GIFException("Premature end of data");
        TGIFExtension& extension = FExtensions.Add(CreateExtension(this, head, length));
        if (FGraphicControl == nullptr) {
            FGraphicControl = dynamic_cast<TGIFGraphicControlExtension*>(&extension);
        }
        extension.LoadFromStream(stream);
    }
}

void TGIFSubImage::LoadImage(TGIFStream& stream) {
    const int next = stream.PeekByte();
    if (next < 0 || next == GIFTrailerByte || next == 0) return;

    std::uint8_t descriptor[10];
    stream.ReadExact(descriptor, sizeof descriptor);
    FLeft = static_cast<int>(ReadLE16(descriptor + 1));
    FTop = static_cast<int>(ReadLE16(descriptor + 3));
    FWidth = static_cast<int>(ReadLE16(descriptor + 5));
    FHeight = static_cast<int>(ReadLE16(descriptor + 7));
    FFlags = descriptor[9];
    if (FWidth == 0 || FHeight == 0) {
        FWidth = Image() != nullptr ? Image()->Width() : 0;
        FHeight = Image() != nullptr ? Image()->Height() : 0;
        Warning("Image exceeds Logical Screen size");
    }
    if (std::int64_t{FWidth} * FHeight > GIFMaxPixels) throw GIFException(GIFTooLargeMessage);
    if (FFlags & 0x80) FColorMap.LoadFromStream(stream, TGIFColorMap::CountFromFlags(FFlags));

    FHasImage = true;
    FFillValue = FTransparent ? TransparentColorIndex() : 0;
    if (Interlaced()) {
        FRowOrder.assign(static_cast<std::size_t>(FHeight), 0);
        int row = 0;
        static constexpr int Starts[] = {0, 4, 2, 1};
        static constexpr int Steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = Starts[pass]; y < FHeight; y += Steps[pass])
                FRowOrder[y] = row++;
        }
    }
    TGIFLZWDecoder decoder(stream, *this);
    FDecoded = decoder.Decode(static_cast<std::size_t>(FWidth) * FHeight);
}

std::size_t TGIFSubImage::StreamRow(int y) const {
    return static_cast<std::size_t>(Interlaced() ? FRowOrder[y] : y);
}

void TGIFSubImage::ScanLine(int y, std::uint8_t* row) const {
    const auto width = static_cast<std::size_t>(FWidth);
    const std::size_t start = StreamRow(y) * width;
    const std::size_t have = FDecoded.Size > start ? std::min(width, FDecoded.Size - start) : 0;
    if (have > 0) std::memcpy(row, FDecoded.Data.get() + start, have);
    std::memset(row + have, FFillValue, width - have);
}

std::vector<std::uint8_t> TGIFSubImage::Data() const {
    std::vector<std::uint8_t> data;
    if (Empty()) return data;
    data.resize(static_cast<std::size_t>(FWidth) * FHeight);
    for (int y = 0; y < FHeight; ++y)
        ScanLine(y, data.data() + static_cast<std::size_t>(y) * FWidth);
    return data;
}

const QImage& TGIFSubImage::Bitmap() {
    if (!FBitmap.isNull() || Empty()) return FBitmap;
    const TGIFColorMap* colors = &ActiveColorMap();
    // Without a table of its own or the file's, the frame takes the file's colour table,
    // which raises when there is none at all.
    if (colors->Count() == 0 && Image() != nullptr) colors = &Image()->ColorMap();
    if (colors->Count() == 0) throw GIFException("No global or local color table defined");
    const TPalette palette = colors->ToPalette();
    QImage bitmap;
    {
        TDIBWriter writer(bitmap, 8, FWidth, FHeight, &palette);
        for (int y = 0; y < FHeight; ++y)
            ScanLine(y, writer.RowAddress(y));
    }
    FBitmap = std::move(bitmap);
    return FBitmap;
}
