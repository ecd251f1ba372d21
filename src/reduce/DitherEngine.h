#pragma once

#include <cstdint>

class TColorLookup;

// Walks a picture's pixels in serpentine order (the first row left to right, each following
// row the other way) and maps each to a palette index. By itself it takes the nearest colour
// without spreading any error.
//
// The caller feeds the pixels of one row at Column, Column + ScanStep, ... while the column
// lies in 0..RowWidth-1, then calls NextRow; one engine serves one picture. The lookup is not
// owned and must outlive the engine.
class TDitherEngine {
public:
    TDitherEngine(int rowWidth, TColorLookup& lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    // The index for the pixel at Column; hands back the chosen palette colour and moves
    // Column on by ScanStep.
    virtual std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                     std::uint8_t& outRed, std::uint8_t& outGreen,
                                     std::uint8_t& outBlue);
    // The whole current row at once, the same as DitherPixel for each of its columns in scan
    // order: `source` holds the row's pixels (blue, green, red, three bytes each), `target`
    // receives one index byte per pixel. NextRow is still the caller's.
    virtual void DitherRow(const std::uint8_t* source, std::uint8_t* target);
    // Turns round for the following row.
    virtual void NextRow();

    int Column() const { return CurrentColumn; }
    int ScanStep() const { return Step; }
    int RowWidth() const { return Width; }

protected:
    void AdvanceColumn() { CurrentColumn += Step; }

    int Step = 1;
    int CurrentColumn = 0;
    TColorLookup& Lookup;
    int Width;
};
