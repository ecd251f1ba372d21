#pragma once

#include <cstdint>

// Unsigned little-endian values as files store them, read from `bytes`; the caller has
// checked that the 2 or 4 bytes are there.
inline std::uint32_t ReadLE16(const void* bytes) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8;
}

inline std::uint32_t ReadLE32(const void* bytes) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    return ReadLE16(p) | ReadLE16(p + 2) << 16;
}
