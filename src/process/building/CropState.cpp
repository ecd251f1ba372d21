#include "process/building/CropState.h"

#include "process/loading/PictureColor.h"

#include <algorithm>

namespace {

void fillRect(QImage& image, int left, int top, int right, int bottom, std::uint32_t color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    for (int y = top; y < bottom; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = left; x < right; ++x)
            PutColor(row, x, color);
    }
}

// Reads an edit text the way the dialog takes numbers: optional sign, decimal digits,
// surrounding blanks ignored; anything else gives `fallback`.
std::int32_t readNumber(const QString& text, std::int32_t fallback) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

// An edge's edit text as a number clamped into low..high (the bound checked last wins);
// unreadable text gives `fallback`.
std::int32_t editedEdge(const QString& text, std::int32_t fallback, std::int32_t low,
                        std::int32_t high) {
    std::int32_t value = readNumber(text, fallback);
    if (value < low) value = low;
    if (value > high) value = high;
    return value;
}

} // namespace

void TCropState::SetPicture(const QImage& picture, std::int32_t iconSize) {
    picture_ = picture;
    PicWidth = picture.width();
    PicHeight = picture.height();
    IconSize = iconSize;
    CropLeft = 0;
    CropTop = 0;
    CropRight = iconSize - 1;
    CropBottom = iconSize - 1;
    UpdateCrop();
    embed_ = QImage();
    ThumbRect = TCropRect{0, 0, iconSize, iconSize};
}

void TCropState::UpdateCrop() {
    leftText_ = QString::number(CropLeft);
    topText_ = QString::number(CropTop);
    rightText_ = QString::number(CropRight);
    bottomText_ = QString::number(CropBottom);
    const std::int32_t border = IconSize - 2;
    CropRect =
        TCropRect{border + CropLeft, border + CropTop, border + CropRight, border + CropBottom};
}

void TCropState::LeftButtonDown(std::int32_t x, std::int32_t y) {
    Dragging = true;
    MouseMove(x, y);
}

void TCropState::RightButtonDown(std::int32_t x, std::int32_t y) {
    Panning = true;
    LastX = x;
    LastY = y;
}

bool TCropState::MouseMove(std::int32_t x, std::int32_t y, std::int32_t* panX, std::int32_t* panY) {
    if (panX) *panX = 0;
    if (panY) *panY = 0;
    if (Dragging) {
        if (x < 1) x = 1;
        if (x > IconSize + PicWidth - 2) x = IconSize + PicWidth - 2;
        if (y < 1) y = 1;
        if (y > IconSize + PicHeight - 2) y = IconSize + PicHeight - 2;
        CropRight = x;
        CropBottom = y;
        CropLeft = x - IconSize + 1;
        CropTop = y - IconSize + 1;
        UpdateCrop();
        return true;
    }
    if (Panning) {
        // The grabbed point stays where it was: the view follows the pointer instead.
        if (panX) *panX = x - LastX;
        if (panY) *panY = y - LastY;
    }
    return false;
}

void TCropState::LeftEdited(const QString& text) {
    CropLeft = editedEdge(text, 0, 2 - IconSize, PicWidth - 1);
    CropRight = CropLeft + IconSize - 1;
    UpdateCrop();
}

void TCropState::TopEdited(const QString& text) {
    CropTop = editedEdge(text, 0, 2 - IconSize, PicHeight - 1);
    CropBottom = CropTop + IconSize - 1;
    UpdateCrop();
}

void TCropState::RightEdited(const QString& text) {
    CropRight = editedEdge(text, IconSize - 1, 1, PicWidth + IconSize - 2);
    CropLeft = CropRight - IconSize + 1;
    UpdateCrop();
}

void TCropState::BottomEdited(const QString& text) {
    CropBottom = editedEdge(text, IconSize - 1, 1, PicHeight + IconSize - 2);
    CropTop = CropBottom - IconSize + 1;
    UpdateCrop();
}

void TCropState::SetFrameColor(std::uint32_t color) {
    FrameColor = color & 0x00FFFFFF;
    if (embed_.isNull()) return; // built with the new colour when first asked for
    const int border = IconSize - 2;
    const int width = embed_.width();
    const int height = embed_.height();
    fillRect(embed_, 0, 0, width, border, FrameColor);
    fillRect(embed_, 0, 0, border, height, FrameColor);
    fillRect(embed_, 0, height - border, width, height, FrameColor);
    fillRect(embed_, width - border, 0, width, height, FrameColor);
}

const QImage& TCropState::EmbedImage() const {
    if (embed_.isNull()) buildEmbedImage();
    return embed_;
}

void TCropState::buildEmbedImage() const {
    QImage padded(PaddedWidth(), PaddedHeight(), QImage::Format_BGR888);
    if (padded.isNull()) return;
    fillRect(padded, 0, 0, padded.width(), padded.height(), FrameColor);
    const int border = IconSize - 2;
    for (int y = 0; y < PicHeight; ++y) {
        uchar* row = padded.scanLine(y + border) + 3 * border;
        for (int x = 0; x < PicWidth; ++x) {
            const std::uint32_t color = PictureColor(picture_, x, y);
            row[3 * x] = static_cast<uchar>(color >> 16);
            row[3 * x + 1] = static_cast<uchar>(color >> 8);
            row[3 * x + 2] = static_cast<uchar>(color);
        }
    }
    embed_ = padded;
}

std::uint32_t TCropState::PaddedColor(std::int32_t x, std::int32_t y) const {
    const std::int32_t px = x - (IconSize - 2);
    const std::int32_t py = y - (IconSize - 2);
    if (px >= 0 && py >= 0 && px < PicWidth && py < PicHeight)
        return PictureColor(picture_, px, py);
    return FrameColor;
}

QImage TCropState::CropImage() const {
    const int size = IconSize;
    QImage result(size, size, QImage::Format_BGR888);
    const bool empty = PicWidth <= 0 || PicHeight <= 0;
    for (int j = 0; j < size; ++j) {
        uchar* row = result.scanLine(j);
        for (int i = 0; i < size; ++i) {
            // Without pixels nothing is copied: the padded picture's corner shows.
            const std::uint32_t color =
                empty ? FrameColor : PaddedColor(CropSampleX(i), CropSampleY(j));
            row[3 * i] = static_cast<uchar>(color >> 16);
            row[3 * i + 1] = static_cast<uchar>(color >> 8);
            row[3 * i + 2] = static_cast<uchar>(color);
        }
    }
    return result;
}

std::int32_t TCropState::CropSampleX(std::int32_t i) const {
    const std::int64_t span = CropRect.Right - CropRect.Left;
    return CropRect.Left + static_cast<std::int32_t>(i * span / IconSize);
}

std::int32_t TCropState::CropSampleY(std::int32_t j) const {
    const std::int64_t span = CropRect.Bottom - CropRect.Top;
    return CropRect.Top + static_cast<std::int32_t>(j * span / IconSize);
}
