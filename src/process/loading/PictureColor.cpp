#include "process/loading/PictureColor.h"

#include "image/ColorRef.h"

#include <cstring>

std::uint32_t TableColor(const QImage& picture, int index) {
    return index < picture.colorCount() ? ColorRefOf(picture.color(index)) : 0;
}

void PutColor(uchar* row, int x, std::uint32_t color) {
    row[3 * x] = static_cast<uchar>(color >> 16);
    row[3 * x + 1] = static_cast<uchar>(color >> 8);
    row[3 * x + 2] = static_cast<uchar>(color);
}

std::uint32_t PictureColor(const QImage& picture, int x, int y) {
    const uchar* row = picture.constScanLine(y);
    switch (picture.format()) {
    case QImage::Format_Mono:
        return TableColor(picture, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case QImage::Format_MonoLSB:
        return TableColor(picture, (row[x >> 3] >> (x & 7)) & 1);
    case QImage::Format_Indexed8:
        return TableColor(picture, row[x]);
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: {
        QRgb value;
        std::memcpy(&value, row + 4 * x, sizeof value);
        return ColorRefOf(value);
    }
    case QImage::Format_BGR888:
        return static_cast<std::uint32_t>(row[3 * x + 2]) |
               static_cast<std::uint32_t>(row[3 * x + 1]) << 8 |
               static_cast<std::uint32_t>(row[3 * x]) << 16;
    case QImage::Format_RGB888:
        return static_cast<std::uint32_t>(row[3 * x]) |
               static_cast<std::uint32_t>(row[3 * x + 1]) << 8 |
               static_cast<std::uint32_t>(row[3 * x + 2]) << 16;
    default:
        return ColorRefOf(picture.pixel(x, y));
    }
}
