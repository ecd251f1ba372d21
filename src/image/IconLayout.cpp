#include "image/IconLayout.h"

#include "image/ImageErrors.h"
#include "image/LittleEndian.h"

#include <QDir>

#include <cstring>
#include <vector>

namespace {

void PutWord(QByteArray& bytes, qsizetype pos, std::uint32_t value) {
    bytes[pos] = static_cast<char>(value & 0xFF);
    bytes[pos + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutLong(QByteArray& bytes, qsizetype pos, std::uint32_t value) {
    PutWord(bytes, pos, value & 0xFFFF);
    PutWord(bytes, pos + 2, value >> 16);
}

[[noreturn]] void Inconsistent(const QString& fileName, const char* reason) {
    throw EInOutError(QStringLiteral("Cannot read %1: %2")
                          .arg(QDir::toNativeSeparators(fileName), QString::fromLatin1(reason))
                          .toStdString());
}

struct Entry {
    QByteArray bytes; // the 16 directory bytes, offset still the old one
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

} // namespace

std::uint32_t IconLayout::Word(std::span<const std::uint8_t> bytes, std::size_t pos) {
    return ReadLE16(&bytes[pos]);
}

std::uint32_t IconLayout::Long(std::span<const std::uint8_t> bytes, std::size_t pos) {
    return ReadLE32(&bytes[pos]);
}

bool IconLayout::CanWrite(const TPxlMap& color, const TPxlMap& mask) {
    if (!color.Initialized || !mask.Initialized) return false;
    if (color.Width != mask.Width || color.Height != mask.Height) return false;
    if (color.Width != color.Height || color.Width < 1 || color.Width > TPxlMap::MaxSize)
        return false;
    const int bits = color.BitCount;
    return (bits == 1 || bits == 4 || bits == 8) && mask.BitCount == 1;
}

QByteArray IconLayout::EncodeImage(const TPxlMap& color, const TPxlMap& mask) {
    const std::int32_t colors = TPxlMap::ColorCount(color.BitCount);
    const std::int32_t colorBytes = color.PackedSize();
    const std::int32_t maskBytes = mask.PackedSize();
    QByteArray image(InfoHeaderSize + 4 * colors + colorBytes + maskBytes, '\0');
    PutLong(image, 0, InfoHeaderSize);
    PutLong(image, 4, static_cast<std::uint32_t>(color.Width));
    PutLong(image, 8, static_cast<std::uint32_t>(2 * color.Width));
    PutWord(image, 12, 1);
    PutWord(image, 14, color.BitCount);
    PutLong(image, 20, static_cast<std::uint32_t>(colorBytes + maskBytes));

    auto* data = reinterpret_cast<std::uint8_t*>(image.data());
    // Always the full palette: the info header's colours-used field says 0, which
    // readers take as 2^bits entries.
    std::memcpy(data + InfoHeaderSize, color.Palette, static_cast<std::size_t>(4 * colors));
    std::uint8_t* bits = data + InfoHeaderSize + 4 * colors;
    color.PackBits({bits, static_cast<std::size_t>(colorBytes)});
    mask.PackBits({bits + colorBytes, static_cast<std::size_t>(maskBytes)});
    return image;
}

QByteArray IconLayout::Rebuild(const QByteArray& existing, bool exists, std::int32_t index,
                               const TPxlMap& color, const TPxlMap& mask, const QString& fileName) {
    QByteArray entry(EntrySize, '\0');
    entry[0] = static_cast<char>(color.Width);
    entry[1] = static_cast<char>(color.Height);
    return Rebuild(existing, exists, index, entry, EncodeImage(color, mask), fileName);
}

QByteArray IconLayout::Rebuild(const QByteArray& existing, bool exists, std::int32_t index,
                               const QByteArray& newEntry, const QByteArray& image,
                               const QString& fileName) {
    const auto old =
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(existing.constData()),
                                      static_cast<std::size_t>(existing.size()));
    std::uint32_t reserved = 0;
    std::uint32_t type = 1;
    std::int64_t oldCount = 0;
    if (exists) {
        reserved = Word(old, 0);
        type = Word(old, 2);
        oldCount = Word(old, 4);
    }
    const bool append = !exists || index < 0 || index >= oldCount;
    const std::int64_t count = append ? oldCount + 1 : oldCount;
    if (count > 0xFFFF) Inconsistent(fileName, "the icon file already holds 65535 images");
    const std::int64_t newIndex = append ? count - 1 : index;
    if (exists && HeaderSize + EntrySize * oldCount > existing.size())
        Inconsistent(fileName, "the directory runs past the end of the file");

    // Every kept image must lie inside the old file, and together they cannot be more
    // than the file: that bounds what is copied whatever the directory claims.
    std::vector<Entry> kept;
    std::int64_t keptBytes = 0;
    for (std::int64_t i = 0; i < oldCount; ++i) {
        if (i == newIndex) continue;
        Entry entry;
        const auto at = static_cast<std::size_t>(HeaderSize + EntrySize * i);
        entry.bytes = existing.mid(static_cast<qsizetype>(at), EntrySize);
        entry.size = Long(old, at + 8);
        entry.offset = Long(old, at + 12);
        if (entry.offset + entry.size > existing.size())
            Inconsistent(fileName, "an image runs past the end of the file");
        keptBytes += entry.size;
        if (keptBytes > existing.size())
            Inconsistent(fileName, "the images claim more bytes than the file holds");
        kept.push_back(entry);
    }

    QByteArray file(HeaderSize + EntrySize * count, '\0');
    PutWord(file, 0, reserved);
    PutWord(file, 2, type);
    PutWord(file, 4, static_cast<std::uint32_t>(count));
    file.reserve(file.size() + keptBytes + image.size());

    std::int64_t offset = file.size();
    auto next = kept.begin();
    for (std::int64_t i = 0; i < count; ++i) {
        const auto at = static_cast<qsizetype>(HeaderSize + EntrySize * i);
        if (i == newIndex) {
            QByteArray entry = newEntry;
            PutLong(entry, 8, static_cast<std::uint32_t>(image.size()));
            PutLong(entry, 12, static_cast<std::uint32_t>(offset));
            file.replace(at, EntrySize, entry);
            file.append(image);
            offset += image.size();
        } else {
            QByteArray entry = next->bytes;
            PutLong(entry, 12, static_cast<std::uint32_t>(offset));
            file.replace(at, EntrySize, entry);
            file.append(existing.constData() + next->offset, static_cast<qsizetype>(next->size));
            offset += next->size;
            ++next;
        }
    }
    return file;
}
