#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

// Reads an SVG file and checks that it draws: throws EInvalidGraphic saying why when the
// file cannot be read or is no SVG picture Qt's SVG module can draw. The file's bytes,
// for RenderSvg.
QByteArray ReadSvgFile(const QString& fileName);

// Draws the SVG picture of `data` on a transparent size x size square, its view box
// stretched to the square (the aspect is not kept, as a bitmap's stretch does not keep
// it), antialiased: drawn at four times the size and area-averaged down. Format_ARGB32
// (straight alpha). Throws EInvalidGraphic for data that does not draw.
QImage RenderSvg(const QByteArray& data, std::int32_t size);
