#pragma once

#include "core/JobState.h"

#include <QImage>

class TCropState;

// The picture a true-colour icon is made from: job.InputImage, and for a picture without
// alpha that comes from an icon file, its AND mask (job.SourceMaskMap) as alpha 0.
QImage TrueColorSource(const TJobState& job);

// Builds job.IconSet for a job that BuildsIconSet: one image per size of OutputSizes, in
// that order, in the form the output format stores. True colour (PresetIconBPP 32) is
// the area average of TrueColorSource; 16 and 256 colours are made for each size as the
// single-image build makes them (fitting, reduction, the automatic mask when the preset
// masking asks for it, masked pixels black). The output holds a 256-pixel image as PNG,
// smaller ones as bitmap images with their AND mask; Bmp gets bitmap files (32-bit
// with alpha for true colour). Clears IconMap and MaskMap. False, with nothing done,
// while SourceKind is None.
bool BuildIconSet(TJobState& job, const TCropState& crop);
