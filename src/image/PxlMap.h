#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <type_traits>

class QImage;
class StagedFile;

// A palette-indexed picture of at most 256 x 256 pixels at 1, 4 or 8 bits per pixel,
// with the 54-byte bitmap-file header of its file form beside it. Everything lives
// inside the value: creating, clearing and copying a map allocate nothing, and an
// assignment copies pixels, header, palette and error text alike.
//
// Failures never throw from the pixel and header operations: they set ErrorNo and
// ErrorText and return the documented neutral result, leaving the picture untouched.
// The file operations (LoadFromBMP, SaveToBMP) throw EInOutError (image/ImageErrors.h)
// when the file system itself fails; CopyToPicture throws EPictureError.
//
// Error numbers: 1 file missing, 2 not a bitmap file, 3 bitmap form not handled,
// 4 too large, 5 map empty, 6 load into a full map, 7 new into a full map,
// 8 depth not 1/4/8, 11 pixel outside the picture, 12 colour index outside the palette.
struct TPxlMap {
    static constexpr int MaxSize = 256;
    static constexpr int HeaderSize = 54;
    static constexpr int ErrorTextSize = 64;

    bool Initialized{};
    std::uint8_t Header[HeaderSize]{};
    std::uint32_t Palette[256]{}; // bytes blue, green, red, 0 (0x00RRGGBB read little-endian)
    std::uint8_t Pixels[MaxSize][MaxSize]{}; // [x][y], y = 0 is the top row
    std::int32_t InfoSize{};
    std::int32_t Width{};
    std::int32_t Height{};
    std::uint8_t BitCount{};
    std::uint8_t WidthPos{};
    std::uint8_t HeightPos{};
    std::uint8_t BitCountPos{};
    std::uint8_t SizeImagePos{};
    std::uint8_t ClrUsedPos{};
    std::uint8_t ClrImportantPos{};
    std::uint32_t DimensionMask{};
    std::uint32_t OptionalMask{};
    std::int32_t RowBits{};
    std::int32_t RowBytes{};
    std::int32_t RowStride{};
    std::int32_t PackedPos{};
    std::uint8_t PackedMask{};
    std::uint8_t PackedShift{};
    // Reads record their failures too, so the error state changes on const maps.
    mutable char ErrorText[ErrorTextSize]{}; // zero-terminated; read it through GetErrorText
    mutable std::int32_t ErrorNo{};

    QString GetErrorText() const;

    // Life cycle.
    bool NewImage(std::int32_t width, std::int32_t height, std::int32_t bitCount);
    bool Clear();
    void SetBitCount(std::int32_t bitCount);

    // Pixels and palette. Colours are 0x00BBGGRR (red in the low byte).
    std::uint8_t GetPixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, std::uint8_t index);
    std::uint32_t GetPaletteColor(std::uint8_t index) const;
    void SetPaletteColor(std::uint8_t index, std::uint32_t color);
    // The buffers hold GetColorsUsed entries of 4 bytes (blue, green, red, 0). A buffer
    // shorter than that is refused (false) and nothing is copied.
    bool ImportPalette(std::span<const std::uint8_t> buffer);
    bool ExportPalette(std::span<std::uint8_t> buffer);
    // Packed rows as in a bitmap file: Height rows of RowStride bytes, bottom row first.
    // A buffer shorter than RowStride x Height is refused (false) and nothing is copied.
    bool ImportBits(std::span<const std::uint8_t> buffer);
    bool ExportBits(std::span<std::uint8_t> buffer);

    // A reader for code that has checked the map and its coordinates already (an
    // initialized map, (x, y) inside Width x Height): no checks, no effect on the error,
    // so it reads through a const map.
    std::uint8_t PixelAt(std::int32_t x, std::int32_t y) const { return Pixels[x][y]; }
    // The packed rows as ExportBits writes them, into a buffer of at least PackedSize()
    // bytes, of an initialized map; the map's working values stay as they are.
    void PackBits(std::span<std::uint8_t> buffer) const;

    // Header access.
    std::int32_t GetOffBits() const;
    std::int32_t GetInfoSize() const;
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;
    std::uint8_t GetBitCount() const;
    std::int32_t GetImageSize() const;
    std::int32_t GetColorsUsed() const;
    // Little-endian 32-bit access to Header; a field reaching past the header reads
    // as 0 and is not written.
    std::int32_t ReadHeaderLong(std::int32_t pos) const;
    void WriteHeaderLong(std::int32_t pos, std::int32_t value);

    // Helpers without checks and without effect on the error.
    bool SetInfoFormat(std::uint8_t size);
    void LocatePixel(std::int32_t x, std::int32_t y);
    // Where LocatePixel finds pixel (x, y), without keeping it.
    struct TPackedSlot {
        std::int32_t Pos;
        std::uint8_t Mask;
        std::uint8_t Shift;
    };
    TPackedSlot PackedSlot(std::int32_t x, std::int32_t y) const;
    static std::int32_t ColorCount(std::int32_t bitCount);
    static std::uint32_t SwapRB(std::uint32_t value);

    // Bitmap files. LoadFromBMP needs an empty map and leaves it empty on every refusal.
    // SaveToBMP replaces the file atomically: a failure leaves any earlier file as it was.
    bool LoadFromBMP(const QString& fileName);
    bool SaveToBMP(const QString& fileName);
    // The same, putting a staged file with exactly these bytes in place when given one.
    bool SaveToBMP(const QString& fileName, StagedFile* staged);
    // Hands the picture to a QImage through the exact bytes SaveToBMP writes, read by
    // Qt's bitmap reader: 1 bit gives Format_Mono, 4 and 8 bits Format_Indexed8.
    void CopyToPicture(QImage& picture);
    // The complete bitmap file of the held image, as SaveToBMP writes it. Fails (false,
    // with the map's error set) on an empty map or a header that places the pixel data
    // inside the header or implausibly far away.
    bool EncodeBMP(QByteArray& bytes);

    // Number of bytes of packed rows the held picture needs: RowStride x Height.
    std::int32_t PackedSize() const;

private:
    void Fail(std::int32_t number, std::int32_t detail = 0) const;
    // False, with error 5, for an empty map.
    bool Ready() const;
    void ClearError();
    void ComputeRowSizes();
    void WriteDepthFields();
    std::int32_t PaletteEntries();
    bool RefuseLoad(std::int32_t number, std::int32_t detail = 0);
};

static_assert(std::is_trivially_copyable_v<TPxlMap>, "pixel maps are copied as plain bytes");
