#include "reduce/FloydSteinbergDitherer.h"

#include <algorithm>
#include <stdexcept>

#include "reduce/ColorLookup.h"
#include "reduce/FastColorLookup.h"

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int rowWidth, TColorLookup& lookup)
    : TDitherEngine(rowWidth, lookup) {
    if (rowWidth < 1) throw std::invalid_argument("ditherer row width below 1");
    RowErrors.assign(static_cast<std::size_t>(rowWidth) + 2, Sums{});
}

namespace {

// The value a pixel's channel is looked up with: its own value plus the rounded sum that
// reached it, (sum + 8) / 16 truncated toward zero, clamped to 0..255.
inline std::uint8_t Corrected(int value, std::int32_t sum) {
    return static_cast<std::uint8_t>(std::clamp(value + (sum + 8) / 16, 0, 255));
}

} // namespace

template <class LookupType>
std::uint8_t TFloydSteinbergDitherer::Diffuse(RunState& state, Sums* rowErrors, int step,
                                              LookupType& lookup, std::uint8_t red,
                                              std::uint8_t green, std::uint8_t blue,
                                              std::uint8_t (&chosen)[Channels]) {
    const Sums& own = rowErrors[state.ErrorSlot + step];
    const std::uint8_t corrected[Channels] = {Corrected(red, own[0] + state.Carry[0]),
                                              Corrected(green, own[1] + state.Carry[1]),
                                              Corrected(blue, own[2] + state.Carry[2])};
    const std::uint8_t index =
        lookup.MapColor(corrected[0], corrected[1], corrected[2], chosen[0], chosen[1], chosen[2]);

    // Per channel, in this order: the row-below column behind the pixel is complete, the one
    // under it collects 5/16 on top of the previous pixel's 1/16, this pixel's 1/16 waits for
    // the column ahead, and 7/16 goes to the next pixel of the row.
    Sums& behind = rowErrors[state.ErrorSlot];
    auto spread = [&](int c) {
        const std::int32_t error = corrected[c] - chosen[c];
        behind[c] = state.PendingSum[c] + 3 * error;
        state.PendingSum[c] = state.PendingOne[c] + 5 * error;
        state.PendingOne[c] = error;
        state.Carry[c] = 7 * error;
    };
    spread(0);
    spread(1);
    spread(2);
    state.ErrorSlot += step;
    return index;
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green,
                                                  std::uint8_t blue, std::uint8_t& outRed,
                                                  std::uint8_t& outGreen, std::uint8_t& outBlue) {
    // A call outside the row would address sums outside the block.
    if (CurrentColumn < 0 || CurrentColumn >= Width)
        throw std::out_of_range("pixel outside the ditherer's row");
    std::uint8_t chosen[Channels];
    const std::uint8_t index =
        Diffuse(State, RowErrors.data(), Step, Lookup, red, green, blue, chosen);
    AdvanceColumn();
    outRed = chosen[0];
    outGreen = chosen[1];
    outBlue = chosen[2];
    return index;
}

template <class LookupType>
void TFloydSteinbergDitherer::RunRow(LookupType& lookup, const std::uint8_t* source,
                                     std::uint8_t* target) {
    RunState state = State;
    Sums* rowErrors = RowErrors.data();
    const int step = Step;
    int column = CurrentColumn;
    for (; column >= 0 && column < Width; column += step) {
        const std::uint8_t* pixel = source + 3 * column;
        std::uint8_t chosen[Channels];
        target[column] =
            Diffuse(state, rowErrors, step, lookup, pixel[2], pixel[1], pixel[0], chosen);
    }
    CurrentColumn = column;
    State = state;
}

void TFloydSteinbergDitherer::DitherRow(const std::uint8_t* source, std::uint8_t* target) {
    // The reduction's own lookup is known here, so its cached answers need no virtual call.
    if (auto* fast = dynamic_cast<TFastColorLookup*>(&Lookup))
        RunRow(*fast, source, target);
    else
        RunRow(Lookup, source, target);
}

void TFloydSteinbergDitherer::NextRow() {
    for (int c = 0; c < Channels; ++c) {
        RowErrors[State.ErrorSlot][c] = State.PendingSum[c];
        State.Carry[c] = 0;
        State.PendingOne[c] = 0;
        State.PendingSum[c] = 0;
    }
    TDitherEngine::NextRow();
    State.ErrorSlot = Step == 1 ? 0 : Width + 1;
}
