#pragma once

#include <cstdint>

// Maps a colour to the index of a palette entry and hands back that entry's colour.
class TColorLookup {
public:
    virtual ~TColorLookup() = default;

    // The number of palette entries the lookup can return; 0 means it cannot be used.
    int EntryCount() const { return Entries; }

    virtual std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                  std::uint8_t& outRed, std::uint8_t& outGreen,
                                  std::uint8_t& outBlue) = 0;

protected:
    TColorLookup() = default;
    TColorLookup(const TColorLookup&) = default;
    TColorLookup& operator=(const TColorLookup&) = default;

    int Entries = 0;
};
