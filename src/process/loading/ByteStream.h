#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstdint>

// Reads a device forward, byte by byte, in chunks: a file's data is taken as far as it
// goes, whatever its headers claim about its length.
class ByteStream {
public:
    ByteStream(QIODevice& device, qint64 start) : device_(device) { device_.seek(start); }

    // The next byte; false once the device has no more.
    bool next(std::uint8_t& byte) {
        if (at_ == chunk_.size()) {
            chunk_ = device_.read(64 * 1024);
            at_ = 0;
            if (chunk_.isEmpty()) return false;
        }
        byte = static_cast<std::uint8_t>(chunk_[at_++]);
        return true;
    }

private:
    QIODevice& device_;
    QByteArray chunk_;
    qsizetype at_ = 0;
};
