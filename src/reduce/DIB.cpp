#include "reduce/DIB.h"

#include <utility>

#include "reduce/GraphicErrors.h"

namespace {

QImage::Format QtFormat(int format) {
    switch (format) {
    case 8:
        return QImage::Format_Indexed8;
    case 24:
        return QImage::Format_BGR888;
    default:
        throw GIFException("Unsupported PixelFormat");
    }
}

[[noreturn]] void RowOutOfRange() {
    throw EInvalidGraphicOperation("Scan line index out of range");
}

} // namespace

int ImportantColors(const QImage& picture) {
    bool ok = false;
    const int count = picture.text(QString::fromLatin1(ImportantColorsKey)).toInt(&ok);
    return ok ? count : 0;
}

int RowStride(int width, int bitsPerPixel) {
    const qint64 bitsPerRow = static_cast<qint64>(width) * bitsPerPixel + 31;
    return static_cast<int>((bitsPerRow & ~qint64{31}) / 8);
}

TDIBReader::TDIBReader(QImage& picture, int format) : TDIB(picture, format) {
    const QImage::Format wanted = QtFormat(format);
    if (Picture->format() != wanted) Picture->convertTo(wanted);
    if (!Picture->isNull()) {
        // bits() detaches a shared picture once here, so the rows handed out are the
        // picture's own and writes through them stay in it.
        FirstRow = Picture->bits();
        Stride = Picture->bytesPerLine();
    }
}

std::uint8_t* TDIBReader::RowAddress(int y) {
    if (FirstRow == nullptr || y < 0 || y >= Picture->height()) RowOutOfRange();
    return FirstRow + Stride * y;
}

TDIBWriter::TDIBWriter(QImage& target, int format, int width, int height, const TPalette* palette)
    : TDIB(target, format), PaletteHandle(palette), Height(height), Width(width) {
    QtFormat(format);
    // Negative sizes would be the bottom-up/top-down flags of a BMP header; no user of the
    // writer means them, and no row of such a picture could be addressed.
    if (width <= 0 || height <= 0) throw GIFException("Invalid image dimensions");
}

TDIBWriter::~TDIBWriter() {
    StoreIntoBitmap();
}

std::uint8_t* TDIBWriter::RowAddress(int y) {
    if (FirstRow == nullptr) {
        AllocatePixels();
        if (FirstRow == nullptr) throw GIFException("Image has no DIB");
    }
    if (y < 0 || y >= Height) RowOutOfRange();
    return FirstRow + Stride * y;
}

void TDIBWriter::AllocatePixels() {
    PixelBlock = QImage();
    FirstRow = nullptr;
    QImage block(Width, Height, QtFormat(FormatBits));
    // QImage reports a failed (or overflowing) allocation as a null picture.
    if (block.isNull()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    if (FormatBits == 8) {
        const int n = PaletteHandle != nullptr ? PaletteHandle->EntryCount() : 0;
        QList<QRgb> table(TPalette::MaxEntries, qRgb(0, 0, 0));
        for (int i = 0; i < n; ++i) {
            const TPaletteEntry& e = PaletteHandle->entries[i];
            table[i] = qRgb(e.red, e.green, e.blue);
        }
        block.setColorTable(table);
        block.setText(QString::fromLatin1(ImportantColorsKey), QString::number(n));
    }
    // Everything that can fail is done: the destructor only moves the picture.
    Stride = block.bytesPerLine();
    FirstRow = block.bits();
    PixelBlock = std::move(block);
}

void TDIBWriter::StoreIntoBitmap() noexcept {
    if (FirstRow == nullptr) return;
    *Picture = std::move(PixelBlock);
    FirstRow = nullptr;
}
