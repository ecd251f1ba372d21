#include "image/PxlMap.h"

#include "image/LittleEndian.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Header positions that SetBitCount and NewImage write whatever the info header form.
constexpr int FileSizePos = 2;
constexpr int OffBitsPos = 10;
constexpr int InfoSizePos = 14;
constexpr int PlanesPos = 26;
constexpr int CompressionPos = 30;
constexpr int ImageSizePos = 34;
constexpr int XResolutionPos = 38;
constexpr int YResolutionPos = 42;
constexpr int ColorsUsedPos = 46;
constexpr int ImportantPos = 50;
constexpr std::int32_t PixelsPerMetre = 2834;

const char* MessageOf(std::int32_t number) {
    switch (number) {
    case 1:
        return "File to be loaded does not exists.";
    case 2:
        return "File is not BMP";
    case 3:
        return "Unknown format BMP";
    case 4:
        return "Image too large.";
    case 5:
        return "BMP have not been initialized.";
    case 6:
        return "Image not empty. Clear first before load.";
    case 7:
        return "Image not empty. Clear first before new.";
    case 8:
        return "Not support picture with BPP=";
    case 11:
        return "Requested pixel is not in picture area.";
    case 12:
        return "Specific color index is out of palette range.";
    default:
        return "";
    }
}

bool IsSupportedDepth(std::int32_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8;
}

} // namespace

QString TPxlMap::GetErrorText() const {
    return QString::fromLatin1(ErrorText,
                               static_cast<qsizetype>(strnlen(ErrorText, ErrorTextSize)));
}

void TPxlMap::Fail(std::int32_t number, std::int32_t detail) const {
    ErrorNo = number;
    if (number == 8)
        std::snprintf(ErrorText, ErrorTextSize, "%s%d", MessageOf(number),
                      static_cast<int>(detail));
    else
        std::snprintf(ErrorText, ErrorTextSize, "%s", MessageOf(number));
}

bool TPxlMap::Ready() const {
    if (!Initialized) Fail(5);
    return Initialized;
}

void TPxlMap::ClearError() {
    ErrorNo = 0;
    std::memset(ErrorText, 0, sizeof ErrorText);
}

void TPxlMap::ComputeRowSizes() {
    RowBits = Width * BitCount;
    RowBytes = RowBits / 8 + (RowBits % 8 != 0 ? 1 : 0);
    RowStride = (RowBytes + 3) / 4 * 4;
}

std::int32_t TPxlMap::PackedSize() const {
    return RowStride * Height;
}

// The depth-dependent header fields, always at the positions of the 40-byte form.
void TPxlMap::WriteDepthFields() {
    const std::int32_t colors = ColorCount(BitCount);
    const std::int32_t offBits = 4 * colors + InfoSize + 14;
    WriteHeaderLong(FileSizePos, offBits + RowStride * Height);
    WriteHeaderLong(OffBitsPos, offBits);
    WriteHeaderLong(ImportantPos, colors);
    WriteHeaderLong(CompressionPos, 0);
    WriteHeaderLong(ImageSizePos, RowStride * Height);
    WriteHeaderLong(XResolutionPos, PixelsPerMetre);
    WriteHeaderLong(YResolutionPos, PixelsPerMetre);
    WriteHeaderLong(ColorsUsedPos, 0);
}

bool TPxlMap::NewImage(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
    if (Initialized) {
        Fail(7);
        return false;
    }
    if (!IsSupportedDepth(bitCount)) {
        Fail(8, bitCount);
        return false;
    }
    // Negative sizes would give negative strides and header values: refuse them with
    // the too-large error, as they are just as far outside the 0..256 range.
    if (width > MaxSize || height > MaxSize || width < 0 || height < 0) {
        Fail(4);
        return false;
    }
    Initialized = true;
    std::memset(Header, 0, sizeof Header);
    SetInfoFormat(40);
    Width = width;
    Height = height;
    BitCount = static_cast<std::uint8_t>(bitCount);
    ComputeRowSizes();
    Header[0] = 'B';
    Header[1] = 'M';
    WriteHeaderLong(InfoSizePos, 40);
    WriteHeaderLong(WidthPos, width);
    WriteHeaderLong(HeightPos, height);
    Header[PlanesPos] = 1;
    Header[BitCountPos] = static_cast<std::uint8_t>(bitCount);
    WriteDepthFields();
    Width = GetWidth();
    Height = GetHeight();
    BitCount = GetBitCount();
    ClearError();
    return true;
}

bool TPxlMap::Clear() {
    if (!Ready()) return false;
    Initialized = false;
    ClearError();
    return true;
}

void TPxlMap::SetBitCount(std::int32_t bitCount) {
    if (!Ready()) return;
    if (!IsSupportedDepth(bitCount)) return Fail(8, bitCount);
    if (bitCount == Header[BitCountPos]) return;
    Header[BitCountPos] = static_cast<std::uint8_t>(bitCount);
    BitCount = static_cast<std::uint8_t>(bitCount);
    ComputeRowSizes();
    WriteDepthFields();
    const std::int32_t colors = ColorCount(bitCount);
    for (std::int32_t x = 0; x < Width; ++x)
        for (std::int32_t y = 0; y < Height; ++y)
            Pixels[x][y] = static_cast<std::uint8_t>(Pixels[x][y] % colors);
    ClearError();
}

std::uint8_t TPxlMap::GetPixel(std::int32_t x, std::int32_t y) const {
    if (!Ready()) return 0;
    if (x < 0 || x >= Width || y < 0 || y >= Height) {
        Fail(11);
        return 0;
    }
    return Pixels[x][y];
}

void TPxlMap::SetPixel(std::int32_t x, std::int32_t y, std::uint8_t index) {
    if (!Ready()) return;
    if (x < 0 || x >= Width || y < 0 || y >= Height) return Fail(11);
    if (index >= ColorCount(BitCount)) return Fail(12);
    Pixels[x][y] = index;
}

std::uint32_t TPxlMap::GetPaletteColor(std::uint8_t index) const {
    if (!Ready()) return 0;
    if (index >= ColorCount(BitCount)) {
        Fail(12);
        return 0xFFFFFFFFu;
    }
    return SwapRB(Palette[index]);
}

void TPxlMap::SetPaletteColor(std::uint8_t index, std::uint32_t color) {
    if (!Ready()) return;
    if (index >= ColorCount(BitCount)) return Fail(12);
    Palette[index] = SwapRB(color);
}

// Never more entries than the palette holds, whatever the colours-used field says.
std::int32_t TPxlMap::PaletteEntries() {
    return std::clamp(GetColorsUsed(), 0, 256);
}

bool TPxlMap::ImportPalette(std::span<const std::uint8_t> buffer) {
    if (!Ready()) return false;
    const std::size_t bytes = static_cast<std::size_t>(PaletteEntries()) * 4;
    if (buffer.size() < bytes) return false;
    std::memcpy(Palette, buffer.data(), bytes);
    return true;
}

bool TPxlMap::ExportPalette(std::span<std::uint8_t> buffer) {
    if (!Ready()) return false;
    const std::size_t bytes = static_cast<std::size_t>(PaletteEntries()) * 4;
    if (buffer.size() < bytes) return false;
    std::memcpy(buffer.data(), Palette, bytes);
    return true;
}

bool TPxlMap::ImportBits(std::span<const std::uint8_t> buffer) {
    if (!Ready()) return false;
    if (buffer.size() < static_cast<std::size_t>(std::max(PackedSize(), 0))) return false;
    for (std::int32_t y = 0; y < Height; ++y) {
        for (std::int32_t x = 0; x < Width; ++x) {
            LocatePixel(x, y);
            Pixels[x][y] = static_cast<std::uint8_t>(
                (buffer[static_cast<std::size_t>(PackedPos)] & PackedMask) >> PackedShift);
        }
    }
    return true;
}

bool TPxlMap::ExportBits(std::span<std::uint8_t> buffer) {
    if (!Ready()) return false;
    if (buffer.size() < static_cast<std::size_t>(std::max(PackedSize(), 0))) return false;
    PackBits(buffer);
    // The working values end at the last pixel, as the packing loop leaves them.
    if (Width > 0 && Height > 0) LocatePixel(Width - 1, Height - 1);
    return true;
}

void TPxlMap::PackBits(std::span<std::uint8_t> buffer) const {
    for (std::int32_t y = 0; y < Height; ++y) {
        for (std::int32_t x = 0; x < Width; ++x) {
            const TPackedSlot slot = PackedSlot(x, y);
            std::uint8_t& byte = buffer[static_cast<std::size_t>(slot.Pos)];
            const auto bits = static_cast<std::uint8_t>(Pixels[x][y] << slot.Shift);
            byte = static_cast<std::uint8_t>((byte & ~slot.Mask) | (bits & slot.Mask));
        }
    }
}

std::int32_t TPxlMap::GetOffBits() const {
    if (!Ready()) return 0;
    return ReadHeaderLong(OffBitsPos);
}

std::int32_t TPxlMap::GetInfoSize() const {
    if (!Ready()) return 0;
    return ReadHeaderLong(InfoSizePos);
}

std::int32_t TPxlMap::GetWidth() const {
    if (!Ready()) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadHeaderLong(WidthPos)) &
                                     DimensionMask);
}

std::int32_t TPxlMap::GetHeight() const {
    if (!Ready()) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadHeaderLong(HeightPos)) &
                                     DimensionMask);
}

std::uint8_t TPxlMap::GetBitCount() const {
    if (!Ready()) return 0;
    const std::uint8_t value = Header[BitCountPos];
    return value == 0 ? 24 : value;
}

std::int32_t TPxlMap::GetImageSize() const {
    if (!Ready()) return 0;
    const auto value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(ReadHeaderLong(SizeImagePos)) & OptionalMask);
    return value != 0 ? value : PackedSize();
}

std::int32_t TPxlMap::GetColorsUsed() const {
    if (!Ready()) return 0;
    const auto value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(ReadHeaderLong(ClrUsedPos)) & OptionalMask);
    return value != 0 ? value : ColorCount(BitCount);
}

std::int32_t TPxlMap::ReadHeaderLong(std::int32_t pos) const {
    if (pos < 0 || pos > HeaderSize - 4) return 0;
    return static_cast<std::int32_t>(ReadLE32(Header + pos));
}

void TPxlMap::WriteHeaderLong(std::int32_t pos, std::int32_t value) {
    if (pos < 0 || pos > HeaderSize - 4) return;
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, bits >>= 8)
        Header[pos + i] = static_cast<std::uint8_t>(bits);
}

namespace {

// Where the two header layouts keep their fields, and which bits of the sizes and the
// optional fields count.
struct TInfoLayout {
    std::uint8_t Size, WidthPos, HeightPos, BitCountPos, SizeImagePos, ClrUsedPos, ClrImportantPos;
    std::uint32_t DimensionMask, OptionalMask;
};
constexpr TInfoLayout InfoLayouts[] = {
    {40, 18, 22, 28, 34, 46, 50, 0xFFFFFFFFu, 0xFFFFFFFFu}, // 32-bit sizes, every field
    {12, 18, 20, 24, 0, 0, 0, 0xFFFFu, 0},                  // 16-bit sizes, no optional field
};

} // namespace

bool TPxlMap::SetInfoFormat(std::uint8_t size) {
    InfoSize = size;
    for (const TInfoLayout& layout : InfoLayouts) {
        if (layout.Size != size) continue;
        WidthPos = layout.WidthPos;
        HeightPos = layout.HeightPos;
        BitCountPos = layout.BitCountPos;
        SizeImagePos = layout.SizeImagePos;
        ClrUsedPos = layout.ClrUsedPos;
        ClrImportantPos = layout.ClrImportantPos;
        DimensionMask = layout.DimensionMask;
        OptionalMask = layout.OptionalMask;
        return true;
    }
    return false;
}

TPxlMap::TPackedSlot TPxlMap::PackedSlot(std::int32_t x, std::int32_t y) const {
    const std::int32_t bitPos = x * BitCount;
    const auto shift = static_cast<std::uint8_t>(8 - BitCount - bitPos % 8);
    return {bitPos / 8 + (Height - 1 - y) * RowStride,
            static_cast<std::uint8_t>(((1u << BitCount) - 1u) << shift), shift};
}

void TPxlMap::LocatePixel(std::int32_t x, std::int32_t y) {
    const TPackedSlot slot = PackedSlot(x, y);
    PackedPos = slot.Pos;
    PackedMask = slot.Mask;
    PackedShift = slot.Shift;
}

std::int32_t TPxlMap::ColorCount(std::int32_t bitCount) {
    switch (bitCount) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 4;
    case 4:
        return 16;
    case 8:
        return 256;
    case 24:
        return 16777216;
    default:
        return 0;
    }
}

std::uint32_t TPxlMap::SwapRB(std::uint32_t value) {
    return ((value & 0xFFu) << 16) | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
}
