#pragma once

#include "core/JobState.h"

class TCropState;
class WizardWindow;

// Entering the masking step: builds the icon from the fitted source picture.
//   - IconMap: S x S (S = job.IconSize) at job.IconBPP bits, exactly what the pixel map
//     would load from the 8-bit bitmap file of the reduced picture (header as NewImage
//     writes it, the reduced colour table as palette, its indices as pixels), then
//     brought to IconBPP; afterwards black is moved to palette index 0.
//   - IconImage: the reduced picture (Format_Indexed8, 256-entry table) before that move.
//   - MaskMap: S x S at 1 bit, palette black and white, every pixel 0 (opaque); for a
//     picture that brings its own transparency (BringsAlpha) the mask of its alpha
//     (FitAlphaMask), also kept in AlphaMaskMap. Those pixels are black in the fitted
//     bitmap that is reduced and index 0 in IconMap. AlphaMaskMap is empty otherwise.
// The fitted bitmap gets one black row added below it before the octree reduction
// (MakeIndexedBitmap with 2^IconBPP colours and Floyd-Steinberg dithering), so that the
// palette normally holds pure black; the row is dropped again afterwards.
//
// False, with nothing done, while SourceKind is None. Errors of the reduction pass on
// (EInvalidGraphic and its kind); the job's maps may then be half rebuilt. `window`, when
// given, gets ProcessPendingEvents calls between the longer loops.
bool BuildIcon(TJobState& job, const TCropState& crop, WizardWindow* window = nullptr);

// Moves pure black to palette index 0 of an icon map at `bits` (4 or 8) bits: the lowest
// index from 1 up whose colour is black trades places with index 0, palette and pixels;
// without such an index, entry 0 itself turns black. The picture looks the same
// afterwards except in that last case.
void MoveBlackToIndexZero(TPxlMap& iconMap, std::int32_t size, std::int32_t bits,
                          WizardWindow* window = nullptr);

// Makes the background transparent. For a picture that brings its own transparency,
// MaskMap becomes a copy of AlphaMaskMap. For an icon-file source whose own image already had
// the icon's size, MaskMap becomes a copy of SourceMaskMap. Otherwise eight border pixels
// of IconMap are sampled (the four edge midpoints at S div 2 and the four corners); when
// one colour index is carried by more samples than any other, every pixel of that index
// becomes index 0 and transparent. A tie at the top changes nothing. Mask pixels already
// set stay set. Nothing happens while SourceKind is None.
void AutoMask(TJobState& job);
