#include "gif/GIFImage.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "gif/GIFStream.h"
#include "reduce/DIB.h"
#include "reduce/GraphicErrors.h"

namespace {

void SkipZeros(TGIFStream& stream) {
    while (stream.PeekByte() == 0)
        stream.ReadByte();
}

} // namespace

void TGIFImage::Clear() {
    FImages.Clear();
    FHeader.Clear();
    FBitmap = QImage();
    FBitmapBuilt = false;
}

void TGIFImage::Warning(TGIFItem* sender, const std::string& message) {
    if (OnWarning) OnWarning(sender, message);
}

void TGIFImage::LoadFromStream(QIODevice& stream) {
    Clear();
    TGIFStream reader(stream);
    try {
        FHeader.LoadFromStream(reader);
        SkipZeros(reader);
        for (;;) {
            const int next = reader.PeekByte();
            if (next < 0 || next == GIFTrailerByte) break;
            if (next != GIFExtensionIntroducer && next != GIFImageSeparator) {
                Warning(nullptr, "Unknown GIF block type");
                break;
            }
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->LoadFromStream(reader);
            FImages.Add(std::move(frame));
            SkipZeros(reader);
        }
        const int trailer = reader.ReadByte();
        if (trailer >= 0 && trailer != GIFTrailerByte) Warning(nullptr, "Invalid Image trailer");
    } catch (...) {
        reader.Restore();
        throw;
    }
    reader.Finish();
}

void TGIFImage::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("Cannot open file \"" + fileName.toStdString() + "\"");
    }
    LoadFromStream(file);
}

const TGIFColorMap& TGIFImage::ColorMap() const {
    if (FHeader.ColorMap().Count() > 0) return FHeader.ColorMap();
    if (!FImages.Empty() && FImages[0].ActiveColorMap().Count() > 0) {
        return FImages[0].ActiveColorMap();
    }
    throw GIFException("No global or local color table defined");
}

const QImage& TGIFImage::Bitmap() {
    if (!FBitmapBuilt) {
        FBitmap = BuildBitmap();
        FBitmapBuilt = true;
    }
    return FBitmap;
}

void TGIFImage::AssignTo(QImage& target) {
    target = Bitmap();
}

QImage TGIFImage::BuildBitmap() {
    if (FImages.Empty()) return {};
    TGIFSubImage& frame = FImages[0];
    const int width = Width();
    const int height = Height();
    if (frame.Width() == width && frame.Height() == height) return frame.Bitmap();

    // The screen-sized picture takes the file's colour table, which must exist even when
    // frame 0 has no pixels to draw.
    ColorMap();
    const QImage& pixels = frame.Bitmap();
    if (width == 0 || height == 0) return {};

    QImage screen;
    {
        TDIBWriter writer(screen, 24, width, height, nullptr);
        const QList<QRgb> colors = pixels.colorTable();
        const int left = frame.Left();
        const int top = frame.Top();
        const int right = pixels.isNull() ? left : std::min(width, left + pixels.width());
        const int bottom = pixels.isNull() ? top : std::min(height, top + pixels.height());
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = writer.RowAddress(y);
            std::memset(row, 0xFF, static_cast<std::size_t>(width) * 3);
            if (y < top || y >= bottom) continue;
            const uchar* source = pixels.constScanLine(y - top);
            for (int x = left; x < right; ++x) {
                const QRgb color = colors[source[x - left]];
                row[3 * x] = static_cast<std::uint8_t>(qBlue(color));
                row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(color));
                row[3 * x + 2] = static_cast<std::uint8_t>(qRed(color));
            }
        }
    }
    return screen;
}
