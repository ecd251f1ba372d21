#include "ui/FontMapping.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

const QString DesignFace = QStringLiteral("MS Sans Serif");

// "MS Sans Serif" is a Windows bitmap face that Linux desktops lack. Liberation Sans
// (fonts-liberation2) has Arial's metrics, whose 8-point letters are about as wide as
// MS Sans Serif's, so captions fit the windows' fixed geometry; DejaVu Sans, the
// fallback every Debian desktop has, runs about a tenth wider and is taken a pixel
// smaller. The design face stays first so a system that has it uses it, and so that
// FontSettingOf gives the stored name back.
const QString Substitute = QStringLiteral("Liberation Sans");
const QString Fallback = QStringLiteral("DejaVu Sans");

constexpr double PixelsPerPoint = 96.0 / 72.0;

} // namespace

QFont WindowFont(const TFontSetting& setting) {
    QFont font;
    int pixels = std::max(1, static_cast<int>(std::lround(setting.Size * PixelsPerPoint)));
    if (setting.Name == DesignFace) {
        font.setFamilies({DesignFace, Substitute});
        if (!QFontDatabase::hasFamily(Substitute) && !QFontDatabase::hasFamily(DesignFace)) {
            font.setFamilies({DesignFace, Fallback});
            pixels = std::max(1, pixels - 1);
        }
    } else {
        font.setFamilies({setting.Name});
    }
    font.setPixelSize(pixels);
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
    setting.Style = (font.bold() ? FontStyleBold : 0) | (font.italic() ? FontStyleItalic : 0) |
                    (font.underline() ? FontStyleUnderline : 0) |
                    (font.strikeOut() ? FontStyleStrikeOut : 0);
    if (font.pointSizeF() > 0)
        setting.Size = std::max(1, static_cast<int>(std::lround(font.pointSizeF())));
    else if (font.pixelSize() > 0)
        setting.Size =
            std::max(1, static_cast<int>(std::lround(font.pixelSize() / PixelsPerPoint)));
    return setting;
}
