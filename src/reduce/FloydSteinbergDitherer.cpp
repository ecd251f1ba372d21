#include "reduce/FloydSteinbergDitherer.h"

#include <algorithm>
#include <stdexcept>

#include "reduce/ColorLookup.h"

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int rowWidth, TColorLookup& lookup)
    : TDitherEngine(rowWidth, lookup) {
    RowErrors.assign(static_cast<std::size_t>(rowWidth) + 2, Sums{});
}

namespace {

// The value a pixel's channel is looked up with: its own value plus the rounded sum that
// reached it, (sum + 8) / 16 truncated toward zero, clamped to 0..255.
inline std::uint8_t Corrected(int value, std::int32_t sum) {
    return static_cast<std::uint8_t>(std::clamp(value + (sum + 8) / 16, 0, 255));
}

} // namespace

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green,
                                                  std::uint8_t blue, std::uint8_t& outRed,
                                                  std::uint8_t& outGreen, std::uint8_t& outBlue) {
    // A call outside the row would address sums outside the block.
    if (CurrentColumn < 0 || CurrentColumn >= Width)
        throw std::out_of_range("pixel outside the ditherer's row");
    const Sums& own = RowErrors[ErrorSlot + Step];
    const std::uint8_t corrected[Channels] = {Corrected(red, own[0] + Carry[0]),
                                              Corrected(green, own[1] + Carry[1]),
                                              Corrected(blue, own[2] + Carry[2])};

    // What the plain engine does with the corrected colour.
    std::uint8_t chosen[Channels];
    const std::uint8_t index =
        Lookup.MapColor(corrected[0], corrected[1], corrected[2], chosen[0], chosen[1], chosen[2]);
    AdvanceColumn();

    // Per channel, in this order: the row-below column behind the pixel is complete, the one
    // under it collects 5/16 on top of the previous pixel's 1/16, this pixel's 1/16 waits for
    // the column ahead, and 7/16 goes to the next pixel of the row.
    Sums& behind = RowErrors[ErrorSlot];
    auto spread = [&](int c) {
        const std::int32_t error = corrected[c] - chosen[c];
        behind[c] = PendingSum[c] + 3 * error;
        PendingSum[c] = PendingOne[c] + 5 * error;
        PendingOne[c] = error;
        Carry[c] = 7 * error;
    };
    spread(0);
    spread(1);
    spread(2);
    ErrorSlot += Step;

    outRed = chosen[0];
    outGreen = chosen[1];
    outBlue = chosen[2];
    return index;
}

void TFloydSteinbergDitherer::NextRow() {
    for (int c = 0; c < Channels; ++c) {
        RowErrors[ErrorSlot][c] = PendingSum[c];
        Carry[c] = 0;
        PendingOne[c] = 0;
        PendingSum[c] = 0;
    }
    TDitherEngine::NextRow();
    ErrorSlot = Step == 1 ? 0 : Width + 1;
}
