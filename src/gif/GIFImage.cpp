#include "gif/GIFImage.h"

#include "image/FileNames.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

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
    FDataCutShort = false;
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
            reader.ResetShortRead();
            frame->LoadFromStream(reader);
            // Everything before the image descriptor either raises when cut short or leaves
            // the frame without an image, so a short read in a frame with an image happened
            // in its data.
            if (!frame->Empty() && reader.ShortRead()) FDataCutShort = true;
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
    QFile file;
    QString reason;
    if (!OpenForReading(file, fileName, &reason))
        throw std::runtime_error("cannot open it: " + reason.toStdString());
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

bool TGIFImage::ShowsIndexBeyondColorTable() const {
    if (FImages.Empty() || FImages[0].Empty()) return false;
    const TGIFSubImage& frame = FImages[0];
    const int tableSize = frame.ActiveColorMap().Count();
    if (tableSize == 0 || tableSize >= 256) return false;

    // The part of the frame the picture shows: all of it when it is as large as the screen
    // (its place is then ignored), else what lies on the screen.
    const bool wholeFrame = frame.Width() == Width() && frame.Height() == Height();
    const int left = wholeFrame ? 0 : frame.Left();
    const int top = wholeFrame ? 0 : frame.Top();
    const int right = wholeFrame ? frame.Width() : std::min(Width(), left + frame.Width());
    const int bottom = wholeFrame ? frame.Height() : std::min(Height(), top + frame.Height());
    if (right <= left) return false;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(frame.Width()));
    for (int y = top; y < bottom; ++y) {
        frame.ScanLine(y - top, row.data());
        for (int x = left; x < right; ++x) {
            if (row[static_cast<std::size_t>(x - left)] >= tableSize) return true;
        }
    }
    return false;
}

QImage TGIFImage::BuildBitmap() {
    if (FImages.Empty()) return {};
    TGIFSubImage& frame = FImages[0];
    const int width = Width();
    const int height = Height();
    if (frame.Width() == width && frame.Height() == height) return frame.Bitmap();

    // The screen-sized picture takes the file's colour table, which must exist even when
    // frame 0 has no pixels to draw.
    const TGIFColorMap& fileColors = ColorMap();
    if (width == 0 || height == 0) return {};

    // Only the part of frame 0 that lies on the screen is read, row by row, straight from
    // its decoded pixels: a frame may claim far more rows and columns than the screen
    // shows (or than its data fills), and none of those are ever built. The colours are
    // those frame 0's own picture would carry: its table, then black up to 256 entries.
    const TGIFColorMap& frameColors =
        frame.ActiveColorMap().Count() > 0 ? frame.ActiveColorMap() : fileColors;
    std::array<TGIFColor, 256> colors{};
    for (int i = 0; i < std::min(frameColors.Count(), 256); ++i)
        colors[static_cast<std::size_t>(i)] = frameColors[i];

    const int left = frame.Left();
    const int top = frame.Top();
    const int right = frame.Empty() ? left : std::min(width, left + frame.Width());
    const int bottom = frame.Empty() ? top : std::min(height, top + frame.Height());
    std::vector<std::uint8_t> source(right > left ? static_cast<std::size_t>(frame.Width()) : 0);
    QImage screen;
    {
        TDIBWriter writer(screen, 24, width, height, nullptr);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = writer.RowAddress(y);
            std::memset(row, 0xFF, static_cast<std::size_t>(width) * 3);
            if (y < top || y >= bottom || right <= left) continue;
            frame.ScanLine(y - top, source.data());
            for (int x = left; x < right; ++x) {
                const TGIFColor& color = colors[source[static_cast<std::size_t>(x - left)]];
                row[3 * x] = color.Blue;
                row[3 * x + 1] = color.Green;
                row[3 * x + 2] = color.Red;
            }
        }
    }
    return screen;
}
