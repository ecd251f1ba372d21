#include "core/Settings.h"

#include <initializer_list>

namespace {

const QString FontNameValue = QStringLiteral("FontName");
const QString FontStyleValue = QStringLiteral("FontStyle");
const QString FontSizeValue = QStringLiteral("FontSize");
const QString FixResolutionValue = QStringLiteral("Fix_Resolution");
const QString IconSizeValue = QStringLiteral("IconSize");
const QString IconBPPValue = QStringLiteral("IconBPP");
const QString FixSizingValue = QStringLiteral("Fix_Sizing");
const QString SizingValue = QStringLiteral("Sizing");
const QString FixMaskingValue = QStringLiteral("Fix_Masking");
const QString MaskingValue = QStringLiteral("Masking");

const QString FlagSet = QStringLiteral("Y");
const QString FlagClear = QStringLiteral("N");

// The value's text when it is there and not empty.
std::optional<QString> ReadText(const TSettingsStore& store, const QString& name) {
    std::optional<QString> text = store.ReadValue(name);
    if (text && text->isEmpty()) return std::nullopt;
    return text;
}

// A plain decimal number as this program writes it: digits only, no sign, no spaces.
// Longer texts than any value written are refused before they could overflow.
std::optional<int> ParseDecimal(const QString& text) {
    if (text.isEmpty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

std::optional<int> ReadNumber(const TSettingsStore& store, const QString& name) {
    const std::optional<QString> text = ReadText(store, name);
    return text ? ParseDecimal(*text) : std::nullopt;
}

// The stored number when it is one of the values this program writes, else the default.
std::int32_t ReadChoice(const TSettingsStore& store, const QString& name,
                        std::initializer_list<int> written, std::int32_t fallback) {
    const std::optional<int> number = ReadNumber(store, name);
    if (!number) return fallback;
    for (int value : written)
        if (value == *number) return value;
    return fallback;
}

bool ReadFlag(const TSettingsStore& store, const QString& name) {
    return store.ReadValue(name) == FlagSet;
}

const QString& FlagText(bool set) {
    return set ? FlagSet : FlagClear;
}

} // namespace

TFontSetting LoadSettings(TJobState& job, const TSettingsStore& store) {
    TFontSetting font;
    if (std::optional<QString> name = ReadText(store, FontNameValue)) font.Name = *name;
    if (std::optional<int> style = ReadNumber(store, FontStyleValue)) font.Style = *style & 15;
    if (std::optional<int> size = ReadNumber(store, FontSizeValue);
        size && *size >= SmallestFontSize && *size <= LargestFontSize)
        font.Size = *size;

    const TJobState defaults;
    job.FixResolution = ReadFlag(store, FixResolutionValue);
    job.PresetIconSize = ReadChoice(store, IconSizeValue, {16, 32, 48}, defaults.PresetIconSize);
    job.PresetIconBPP = ReadChoice(store, IconBPPValue, {4, 8}, defaults.PresetIconBPP);
    job.FixSizing = ReadFlag(store, FixSizingValue);
    job.PresetSizing = static_cast<TSizing>(
        ReadChoice(store, SizingValue, {0}, static_cast<int>(defaults.PresetSizing)));
    job.FixMasking = ReadFlag(store, FixMaskingValue);
    job.PresetMasking = static_cast<TMasking>(
        ReadChoice(store, MaskingValue, {0, 1}, static_cast<int>(defaults.PresetMasking)));
    return font;
}

bool StoreFont(TSettingsStore& store, const TFontSetting& font) {
    return store.WriteValue(FontNameValue, font.Name) &&
           store.WriteValue(FontStyleValue, QString::number(font.Style & 15)) &&
           store.WriteValue(FontSizeValue, QString::number(font.Size));
}

TPresetAnswers PresetAnswersOf(const TJobState& job) {
    TPresetAnswers answers;
    answers.FixResolution = job.FixResolution;
    answers.IconSizeItem = job.PresetIconSize == 16 ? 0 : job.PresetIconSize == 48 ? 2 : 1;
    answers.IconBPPItem = job.PresetIconBPP == 4 ? 0 : 1;
    answers.FixSizing = job.FixSizing;
    answers.FixMasking = job.FixMasking;
    answers.TryAutoMask = job.PresetMasking == TMasking::Auto;
    return answers;
}

bool StorePresets(TSettingsStore& store, TJobState& job, const TPresetAnswers& answers) {
    if (!store.WriteValue(FixResolutionValue, FlagText(answers.FixResolution))) return false;
    job.FixResolution = answers.FixResolution;

    const int size = answers.IconSizeItem == 0 ? 16 : answers.IconSizeItem == 2 ? 48 : 32;
    if (!store.WriteValue(IconSizeValue, QString::number(size))) return false;
    job.PresetIconSize = size;

    const int depth = answers.IconBPPItem == 0 ? 4 : 8;
    if (!store.WriteValue(IconBPPValue, QString::number(depth))) return false;
    job.PresetIconBPP = depth;

    if (!store.WriteValue(FixSizingValue, FlagText(answers.FixSizing))) return false;
    job.FixSizing = answers.FixSizing;

    // Automatic runs always scale; cropping needs the user's square.
    if (!store.WriteValue(SizingValue, QString::number(static_cast<int>(TSizing::Scale))))
        return false;
    job.PresetSizing = TSizing::Scale;

    if (!store.WriteValue(FixMaskingValue, FlagText(answers.FixMasking))) return false;
    job.FixMasking = answers.FixMasking;

    const TMasking masking = answers.TryAutoMask ? TMasking::Auto : TMasking::None;
    if (!store.WriteValue(MaskingValue, QString::number(static_cast<int>(masking)))) return false;
    job.PresetMasking = masking;
    return true;
}
