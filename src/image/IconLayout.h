#pragma once

#include "image/PxlMap.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// The byte layout of icon files: a 6-byte header (reserved, type, count), one 16-byte
// directory entry per image, then the images one after another in directory order, each
// a 40-byte bitmap info header, the palette, the colour rows and the 1-bit mask rows.
struct IconLayout {
    static constexpr int HeaderSize = 6;
    static constexpr int EntrySize = 16;
    static constexpr int InfoHeaderSize = 40;
    // The longest bitmap info header form; its palette follows it.
    static constexpr int MaxInfoHeaderSize = 124;

    static std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t pos);
    static std::uint32_t Long(std::span<const std::uint8_t> bytes, std::size_t pos);

    // True when the pair can be written as one icon image: both maps hold pictures of
    // the same square size of 1 to 256 pixels, the colour map at 1, 4 or 8 bits and the
    // mask at 1 bit.
    static bool CanWrite(const TPxlMap& color, const TPxlMap& mask);

    // The image data of the pair: info header, the full 2^bits palette, colour rows,
    // mask rows.
    static QByteArray EncodeImage(const TPxlMap& color, const TPxlMap& mask);

    // The whole new file: `existing` (the old file's bytes, when `exists`) with the pair
    // put in as image `index` (appended for -1, any other negative index or an index not
    // below the old count). Every kept image is copied from its own offset, so the
    // result always has its images in directory order right after the directory.
    // Throws EInOutError (naming `fileName`) when the old directory points past the end
    // of the old file or the count cannot grow.
    static QByteArray Rebuild(const QByteArray& existing, bool exists, std::int32_t index,
                              const TPxlMap& color, const TPxlMap& mask, const QString& fileName);
    // The same with the image already encoded: `entry` gives its 16 directory bytes (the
    // size and offset fields are filled in here), `image` its data.
    static QByteArray Rebuild(const QByteArray& existing, bool exists, std::int32_t index,
                              const QByteArray& entry, const QByteArray& image,
                              const QString& fileName);
};
