#include "reduce/DitherEngine.h"

#include "reduce/ColorLookup.h"

TDitherEngine::TDitherEngine(int rowWidth, TColorLookup& lookup)
    : Lookup(lookup), Width(rowWidth) {}

std::uint8_t TDitherEngine::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& outRed, std::uint8_t& outGreen,
                                        std::uint8_t& outBlue) {
    const std::uint8_t index = Lookup.MapColor(red, green, blue, outRed, outGreen, outBlue);
    AdvanceColumn();
    return index;
}

void TDitherEngine::DitherRow(const std::uint8_t* source, std::uint8_t* target) {
    std::uint8_t red, green, blue;
    while (CurrentColumn >= 0 && CurrentColumn < Width) {
        const std::uint8_t* pixel = source + 3 * CurrentColumn;
        target[CurrentColumn] = DitherPixel(pixel[2], pixel[1], pixel[0], red, green, blue);
    }
}

void TDitherEngine::NextRow() {
    Step = -Step;
    CurrentColumn = Step == 1 ? 0 : Width - 1;
}
