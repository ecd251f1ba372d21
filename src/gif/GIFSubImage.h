#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "gif/GIFColorMap.h"
#include "gif/GIFExtension.h"
#include "gif/GIFItem.h"
#include "gif/GIFLZWDecoder.h"
#include "gif/GIFList.h"

class TGIFGraphicControlExtension;
class TGIFStream;

inline constexpr std::uint8_t GIFImageSeparator = 0x2C;
inline constexpr std::uint8_t GIFTrailerByte = 0x3B;

// One frame: the extensions before it, its image descriptor, its local colour table and its
// pixels. A frame whose extensions are followed by no image descriptor has no pixels.
class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image) : TGIFItem(image) {}

    // Reads the extensions, the image descriptor and the image data. An error raises
    // GIFException; the caller drops the frame.
    void LoadFromStream(TGIFStream& stream);

    TGIFExtensionList& Extensions() { return FExtensions; }
    const TGIFExtensionList& Extensions() const { return FExtensions; }
    // The first graphic control extension read for this frame, or null.
    TGIFGraphicControlExtension* GraphicControlExtension() const { return FGraphicControl; }

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Interlaced() const { return (FFlags & 0x40) != 0; }
    const TGIFLocalColorMap& ColorMap() const { return FColorMap; }
    // The local colour map when it has entries, otherwise the file's global one.
    const TGIFColorMap& ActiveColorMap() const;

    bool Transparent() const { return FTransparent; }
    void MarkTransparent() { FTransparent = true; }
    // The governing graphic control extension's index (0 without one).
    std::uint8_t TransparentColorIndex() const;

    // True when the frame has no image descriptor and so no pixels.
    bool Empty() const { return !FHasImage; }
    // Number of pixels the image data delivered, at most Width() * Height().
    std::size_t DecodedCount() const { return FDecoded.Size; }
    // The colour index of every pixel, top row first, Width() * Height() bytes; pixels the
    // data did not reach hold the fill value (the transparent index when the frame is
    // transparent, else 0). Empty for a frame without image.
    std::vector<std::uint8_t> Data() const;
    // Row y of Data() into `row` (Width() bytes).
    void ScanLine(int y, std::uint8_t* row) const;

    // The frame as an 8-bit picture of its own size: each pixel its colour index, the colour
    // table the frame's colours followed by black up to 256 entries. Built on first request.
    // Null for a frame without pixels. Raises GIFException "No global or local color table
    // defined" when neither the frame nor the file has a colour table.
    const QImage& Bitmap();

private:
    void LoadExtensions(TGIFStream& stream);
    void LoadImage(TGIFStream& stream);
    // Offset in FDecoded of the row that holds picture row y.
    std::size_t StreamRow(int y) const;

    TGIFExtensionList FExtensions;
    TGIFGraphicControlExtension* FGraphicControl = nullptr;
    TGIFLocalColorMap FColorMap;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    std::uint8_t FFlags = 0;
    bool FTransparent = false;
    bool FHasImage = false;
    std::uint8_t FFillValue = 0;
    // Decoded indices in the order the data gives them: for an interlaced frame, the rows
    // of the first pass, then the second, and so on.
    TGIFDecodedPixels FDecoded;
    // For an interlaced frame, the position in decoding order of each picture row.
    std::vector<int> FRowOrder;
    QImage FBitmap;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {};
