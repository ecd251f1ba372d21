#pragma once

#include <QRgb>
#include <cstdint>

// The pixel maps hold a colour as 0x00BBGGRR (red in the low byte), Qt as a QRgb
// (0xAARRGGBB). RgbOf gives an opaque colour; ColorRefOf drops the alpha.
inline QRgb RgbOf(std::uint32_t color) {
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

inline std::uint32_t ColorRefOf(QRgb color) {
    return static_cast<std::uint32_t>(qRed(color)) |
           static_cast<std::uint32_t>(qGreen(color)) << 8 |
           static_cast<std::uint32_t>(qBlue(color)) << 16;
}
