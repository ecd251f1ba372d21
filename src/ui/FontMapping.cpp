#include "ui/FontMapping.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

const QString DesignFace = TFontSetting{}.Name;

// "MS Sans Serif" is a Windows bitmap face that Linux desktops lack. Liberation Sans
// (fonts-liberation2) has Arial's metrics, whose letters are about as wide as MS Sans
// Serif's at 8 points, so captions fit the windows' fixed geometry; DejaVu Sans, which
// every Debian desktop has, runs about a tenth wider and stands in only when Liberation
// Sans is missing. The design face stays first in the list so that a system that has it
// uses it and FontSettingOf gives the stored name back.
const QStringList Substitutes = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                 QStringLiteral("DejaVu Sans")};

// The first substitute this system has, empty when it has none.
QString InstalledSubstitute() {
    const auto installed =
        std::find_if(Substitutes.begin(), Substitutes.end(),
                     [](const QString& face) { return QFontDatabase::hasFamily(face); });
    return installed != Substitutes.end() ? *installed : QString();
}

} // namespace

QFont WindowFont(const TFontSetting& setting) {
    QFont font;
    QStringList families{setting.Name};
    if (setting.Name == DesignFace && !InstalledSubstitute().isEmpty())
        families << InstalledSubstitute();
    font.setFamilies(families);
    font.setPointSize(std::max(1, setting.Size));
    font.setBold(setting.Style & FontStyleBold);
    font.setItalic(setting.Style & FontStyleItalic);
    font.setUnderline(setting.Style & FontStyleUnderline);
    font.setStrikeOut(setting.Style & FontStyleStrikeOut);
    return font;
}

TFontSetting FontSettingOf(const QFont& font) {
    TFontSetting setting;
    const QStringList families = font.families();
    setting.Name = families.isEmpty() ? font.family() : families.first();
    // The stand-in chosen in the font dialog is stored as the face it stands in for.
    if (!QFontDatabase::hasFamily(DesignFace) && setting.Name == InstalledSubstitute())
        setting.Name = DesignFace;
    setting.Style = (font.bold() ? FontStyleBold : 0) | (font.italic() ? FontStyleItalic : 0) |
                    (font.underline() ? FontStyleUnderline : 0) |
                    (font.strikeOut() ? FontStyleStrikeOut : 0);
    // A font sized in pixels is taken at the 96 pixels per inch the windows were laid
    // out for.
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    if (points > 0) setting.Size = std::max(1, static_cast<int>(std::lround(points)));
    return setting;
}

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(DesignFace, Substitutes);
}

QFont FontDialogStart(const QFont& font) {
    QFont start = font;
    start.setFamilies({QFontInfo(font).family()});
    return start;
}
