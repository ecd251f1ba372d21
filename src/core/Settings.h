#pragma once

#include "core/JobState.h"

#include <QString>
#include <optional>

// A per-user store of text values (one key). ReadValue gives nullopt when missing.
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    virtual std::optional<QString> ReadValue(const QString& name) const = 0;
    // False when the store cannot be written; then nothing of this call is kept.
    virtual bool WriteValue(const QString& name, const QString& value) = 0;
};

// The window font as stored: face name, style bits 0..15, points.
struct TFontSetting {
    QString Name = QStringLiteral("MS Sans Serif");
    int Style = 0; // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    int Size = 8;
};

// The window font's sizes, in points, that the windows are laid out to hold; the font
// dialog refuses others.
constexpr int SmallestFontSize = 6;
constexpr int LargestFontSize = 24;

enum TFontStyleBit : int {
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleUnderline = 4,
    FontStyleStrikeOut = 8,
};

// The preset dialog's controls, as the user left them.
struct TPresetAnswers {
    bool FixResolution = false;
    int IconSizeItem = 1; // 0 "16 x 16", 1 "32 x 32", 2 "48 x 48"
    int IconBPPItem = 1;  // 0 "16 colors", 1 "256 colors"
    bool FixSizing = false;
    bool TryAutoMask = true;
    bool FixMasking = false;
};

// Reads the preset fields into the job (defaults for missing/unreadable values) and
// returns the stored font (defaults where missing).
//
// Only values this program writes are taken; anything else (text that is not a plain
// decimal number, an icon size other than 16/32/48, a depth other than 4/8, a masking
// answer other than 0/1 (TMasking), a sizing answer other than 0 (Scale), a font size
// outside SmallestFontSize..LargestFontSize) reads as the default, so a hand-edited store
// cannot make the wizard build icons its pixel maps cannot hold. Flags are set only by an
// exact "Y".
TFontSetting LoadSettings(TJobState& job, const TSettingsStore& store);

// Writes FontName, FontStyle, FontSize; false when the store cannot be written.
bool StoreFont(TSettingsStore& store, const TFontSetting& font);

// What the preset dialog shows for the job's preset fields.
TPresetAnswers PresetAnswersOf(const TJobState& job);

// Confirms the preset dialog: writes Fix_Resolution, IconSize, IconBPP, Fix_Sizing,
// Sizing, Fix_Masking and Masking in this order, setting each field only once its value
// is stored. The first write that fails stops it and gives false: the fields in memory
// then never hold an answer the store lost, and a store that cannot be written at all
// leaves every field as it was.
bool StorePresets(TSettingsStore& store, TJobState& job, const TPresetAnswers& answers);
