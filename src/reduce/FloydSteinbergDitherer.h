#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "reduce/DitherEngine.h"

// Serpentine Floyd-Steinberg error diffusion: of each pixel's error (after clamping), 7/16
// goes to the next pixel of the scan, 3/16 below and behind, 5/16 below, 1/16 below and
// ahead; shares falling outside the picture are dropped. Sums are kept in sixteenths and
// rounded once, when a pixel takes them: (sum + 8) / 16, truncating toward zero.
//
// The row below is collected in the same block that holds the current row's sums: slot k
// stands for column k - 1, slots 0 and RowWidth + 1 catch the shares that fall outside.
// The writes trail the reads by one slot, so the current row's sums are read before they
// are overwritten.
class TFloydSteinbergDitherer final : public TDitherEngine {
public:
    static constexpr int Channels = 3; // red, green, blue

    TFloydSteinbergDitherer(int rowWidth, TColorLookup& lookup);

    std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                             std::uint8_t& outRed, std::uint8_t& outGreen,
                             std::uint8_t& outBlue) override;
    void DitherRow(const std::uint8_t* source, std::uint8_t* target) override;
    void NextRow() override;

private:
    using Sums = std::array<std::int32_t, Channels>;

    // What moves along a row; a row run keeps it in a local copy. ErrorSlot is the slot one
    // step behind the current pixel's own: column + 1 - ScanStep.
    struct RunState {
        int ErrorSlot = 0;
        Sums Carry{};
        Sums PendingOne{};
        Sums PendingSum{};
    };

    // One pixel: the corrected colour, its palette entry, the error passed on.
    template <class LookupType>
    static std::uint8_t Diffuse(RunState& state, Sums* rowErrors, int step, LookupType& lookup,
                                std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                std::uint8_t (&chosen)[Channels]);
    template <class LookupType>
    void RunRow(LookupType& lookup, const std::uint8_t* source, std::uint8_t* target);

    std::vector<Sums> RowErrors; // RowWidth + 2 slots, the channels of a slot side by side
    RunState State;
};
