#include "image/PngCheck.h"

#include <QIODevice>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::array<unsigned char, 8> Signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr qint64 BlockSize = 64 * 1024;

std::uint32_t BigEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

bool ReadAll(QIODevice& device, unsigned char* into, qint64 length) {
    return device.read(reinterpret_cast<char*>(into), length) == length;
}

// Inflates the image data as it comes, into a scratch buffer.
class TDataCheck {
public:
    TDataCheck() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~TDataCheck() { inflateEnd(&stream_); }
    TDataCheck(const TDataCheck&) = delete;
    TDataCheck& operator=(const TDataCheck&) = delete;

    bool Feed(const unsigned char* data, qint64 length) {
        if (!ok_ || ended_) return ok_;
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(length);
        while (stream_.avail_in > 0 && !ended_) {
            stream_.next_out = scratch_.data();
            stream_.avail_out = static_cast<uInt>(scratch_.size());
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) ended_ = true;
            else if (result != Z_OK && !(result == Z_BUF_ERROR && stream_.avail_out == 0))
                return ok_ = false;
        }
        return true;
    }
    bool Ended() const { return ended_; }

private:
    z_stream stream_{};
    std::array<Bytef, BlockSize> scratch_{};
    bool ok_ = false;
    bool ended_ = false;
};

} // namespace

QString PngDamage(QIODevice& device) {
    const QString endsEarly = QStringLiteral("the PNG file ends early");
    const QString damaged = QStringLiteral("the PNG file is damaged");
    std::array<unsigned char, 8> head{};
    if (!ReadAll(device, head.data(), 8) || head != Signature)
        return QStringLiteral("not a PNG file");
    TDataCheck data;
    std::array<unsigned char, BlockSize> block{};
    for (bool first = true;; first = false) {
        const qint64 got = device.read(reinterpret_cast<char*>(head.data()), 8);
        // A file that stops after whole image data, without its end chunk, still decodes.
        if (got == 0 && !first && data.Ended()) break;
        if (got != 8) return endsEarly;
        const std::uint32_t length = BigEndian(head.data());
        const unsigned char* type = head.data() + 4;
        if (length > 0x7FFFFFFFu) return damaged;
        if (first && (std::memcmp(type, "IHDR", 4) != 0 || length != 13)) return damaged;
        const bool imageData = std::memcmp(type, "IDAT", 4) == 0;
        uLong crc = crc32(crc32(0, nullptr, 0), type, 4);
        for (qint64 left = length; left > 0;) {
            const qint64 part = std::min(left, BlockSize);
            if (!ReadAll(device, block.data(), part)) return endsEarly;
            crc = crc32(crc, block.data(), static_cast<uInt>(part));
            if (imageData && !data.Feed(block.data(), part))
                return QStringLiteral("the PNG image data is damaged");
            left -= part;
        }
        if (!ReadAll(device, block.data(), 4)) return endsEarly;
        // Ancillary chunks (lower-case first letter) with a bad CRC are skipped by the
        // decoder; critical ones stop it.
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && BigEndian(block.data()) != crc) return damaged;
        if (std::memcmp(type, "IEND", 4) == 0) break;
    }
    return data.Ended() ? QString() : QStringLiteral("the PNG image data is incomplete");
}
