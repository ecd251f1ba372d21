#pragma once

#include <QImage>
#include <cstdint>

// Colours here are 0x00BBGGRR values (red in the low byte), as the pixel maps use them.

// Colour of pixel (x, y) of a source picture of any format, alpha ignored. Coordinates
// must lie inside the picture. Indices outside a colour table read as black.
std::uint32_t PictureColor(const QImage& picture, int x, int y);
// Entry `index` of the picture's colour table; black when the table is shorter.
std::uint32_t TableColor(const QImage& picture, int index);
// Stores the colour as pixel x of a Format_BGR888 row.
void PutColor(uchar* row, int x, std::uint32_t color);
