#include "reduce/FloydSteinbergDitherer.h"

#include <algorithm>
#include <stdexcept>

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int rowWidth, TColorLookup& lookup)
    : TDitherEngine(rowWidth, lookup) {
    for (std::vector<std::int32_t>& block : RowErrors)
        block.assign(static_cast<std::size_t>(rowWidth) + 2, 0);
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green,
                                                  std::uint8_t blue, std::uint8_t& outRed,
                                                  std::uint8_t& outGreen, std::uint8_t& outBlue) {
    // A call outside the row would address sums outside the blocks.
    if (CurrentColumn < 0 || CurrentColumn >= Width)
        throw std::out_of_range("pixel outside the ditherer's row");
    const std::int32_t value[Channels] = {red, green, blue};
    std::uint8_t corrected[Channels];
    const int ownSlot = ErrorSlot + Step;
    for (int c = 0; c < Channels; ++c) {
        const std::int32_t sum = RowErrors[c][ownSlot] + Carry[c] + 8;
        corrected[c] = static_cast<std::uint8_t>(std::clamp(value[c] + sum / 16, 0, 255));
    }

    std::uint8_t chosen[Channels];
    const std::uint8_t index = TDitherEngine::DitherPixel(corrected[0], corrected[1], corrected[2],
                                                          chosen[0], chosen[1], chosen[2]);

    for (int c = 0; c < Channels; ++c) {
        const std::int32_t error = corrected[c] - chosen[c];
        RowErrors[c][ErrorSlot] = PendingSum[c] + 3 * error;
        PendingSum[c] = PendingOne[c] + 5 * error;
        PendingOne[c] = error;
        Carry[c] = 7 * error;
    }
    ErrorSlot += Step;

    outRed = chosen[0];
    outGreen = chosen[1];
    outBlue = chosen[2];
    return index;
}

void TFloydSteinbergDitherer::NextRow() {
    for (int c = 0; c < Channels; ++c) {
        RowErrors[c][ErrorSlot] = PendingSum[c];
        Carry[c] = 0;
        PendingOne[c] = 0;
        PendingSum[c] = 0;
    }
    TDitherEngine::NextRow();
    ErrorSlot = Step == 1 ? 0 : Width + 1;
}
