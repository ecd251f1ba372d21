#pragma once

#include "image/IconImages.h"
#include "image/PxlMap.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The wizard's steps, in page order.
enum WizardPage : std::uint8_t {
    PageSource = 0,
    PageBatchMode = 1,
    PageResolution = 2,
    PageSizing = 3,
    PageMasking = 4,
    PageSaving = 5,
    PageFinish = 6,
};

// Where the current picture came from; Unset before the first load, None after a failed one.
enum class TSourceKind : std::uint8_t { Unset, None, Clip, Bmp, Ico, Jpg, Gif, Png, Svg };
// The output format: one normal icon per picture, one multi-resource icon for the run, or
// one Windows bitmap per picture. The values are the save page's format items.
enum class TOutFormat : std::uint8_t { Ico, Mico, Bmp };

// How a picture that is not square is fitted into the icon: squeezed whole into the
// square, or a square cropped out of it. The numbers are those the settings store.
enum class TSizing : std::int32_t { Scale = 0, Crop = 1 };
// The masking answer: the icon without transparent pixels, or with the automatic mask.
// The numbers are those the settings store.
enum class TMasking : std::int32_t { None = 0, Auto = 1 };

// "ICO", "MICO" or "BMP", as the converter's --format spells it in lower case.
QString OutFormatText(TOutFormat format);

// A picture of the run that could not be loaded: its place in the queue, the name the
// loader gives it (the full path, or "in clipboard") and why.
struct TRunFailure {
    std::int32_t FileIndex = 0;
    std::int32_t SubIndex = 0;
    QString Name;
    QString Reason;
};

// What a run has done so far, for its finish page.
struct TRunRecord {
    std::int32_t Saved = 0; // pictures written
    std::int32_t Kept = 0;  // pictures not written: Replace was off and a file was there
    // Where they went, each once, in the order first used: the folder (ending in the
    // separator) of each icon or bitmap file, the multi-resource file itself.
    QStringList Places;
    std::vector<TRunFailure> Failures; // in queue order, each picture once
    bool Stopped = false;              // Stop ended the automatic part before its end
};

// The whole state of one conversion run. The wizard's main window owns one for the
// program's life; tessaly-convert and the tests own their own. Every field starts at
// the value a new run starts with.
struct TJobState {
    std::int32_t MaskViewWidth = 0;
    WizardPage Step = PageSource;
    bool WaitForUser = false;
    bool AutoMode = false; // the automatic run ("All in one shot")
    std::int32_t FileIndex = 0;
    std::int32_t SubIndex = 0;
    std::int32_t FileCount = 0;
    std::int32_t SubCount = 0;
    TSourceKind SourceKind = TSourceKind::Unset;
    TOutFormat OutFormat = TOutFormat::Ico;
    std::int32_t IconSize = 32;
    std::int32_t IconBPP = 8;
    TSizing Sizing = TSizing::Scale;
    TMasking Masking = TMasking::None; // the preset masking answer taken for this picture
    QString OutDir;
    QString OutPath;
    bool OutIsDirectory = false; // the save page asks for a folder, not a file
    bool SavePageShown = false;
    TPxlMap IconMap{};
    TPxlMap MaskMap{};
    TPxlMap SourceMaskMap{};
    // For a picture that brings its own transparency: the mask its alpha gives at the
    // icon's size, made by the icon build (which starts from it) for Auto-Mask. Empty
    // for other pictures.
    TPxlMap AlphaMaskMap{};
    bool LeftDrawing = false;
    bool RightDrawing = false;
    std::int32_t PresetIconSize = 32;
    std::int32_t PresetIconBPP = 8;
    TSizing PresetSizing = TSizing::Scale;
    TMasking PresetMasking = TMasking::Auto;
    bool FixResolution = false;
    bool FixSizing = false;
    bool FixMasking = false;

    // The image count of the icon file being converted, taken once when its first image
    // is loaded (IconFileIndex is that file's place in the queue, -1 while no count is
    // known). Its later images keep it: a multi-resource output appended to the very
    // file being read must not lengthen the run, and an image that cannot be loaded must
    // not cut the rest of the file off.
    std::int32_t IconFileIndex = -1;
    std::int32_t IconFileCount = 0;

    // The queue of full paths, in the order they are converted.
    QStringList InputList;
    // The loaded source picture, in the pixel format its decoder delivered.
    QImage InputImage;
    // 0 when InputImage holds every row of the picture. A run that only ever stretches its
    // pictures to the preset size may load just the rows that stretch reads: this is then
    // that size, and the other rows may read as black.
    std::int32_t InputRowsFor = 0;
    // An SVG picture's file bytes, drawn afresh for each size it is fitted to (InputImage
    // holds it drawn at one icon size); empty for every other source.
    QByteArray SvgData;
    // The reduced icon picture, for display.
    QImage IconImage;

    // What the converter may ask beyond the wizard's one image of IconSize: the sizes of
    // every output, largest first, and PresetIconBPP 32 for true colour. Empty (the
    // wizard's run) or one size below 256 at 4 or 8 bits: the icon build makes IconMap
    // and MaskMap as always. Otherwise it makes IconSet, one image per size in that order,
    // as the output format stores it (icon image data, or a bitmap file for Bmp).
    std::vector<std::int32_t> OutputSizes;
    std::vector<TEncodedIcon> IconSet;
    // What the run did; a new run (leaving the source page) starts it afresh.
    TRunRecord Record;
};

// Whether the job's run builds IconSet rather than one IconMap.
bool BuildsIconSet(const TJobState& job);

// Whether the source picture already has the icon's size: it is then never cropped, and
// the sizing page does not wait for the person.
bool PictureFitsIcon(const TJobState& job);
// The sizing the picture gets when `chosen` is asked for: scaling for one that fits.
TSizing SizingFor(const TJobState& job, TSizing chosen);
