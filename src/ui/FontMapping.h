#pragma once

#include "core/Settings.h"

#include <QFont>

// The Qt font for a stored window font. Its size is set in pixels at 96 per inch, the
// resolution the windows' fixed geometry was laid out for, so text and geometry scale
// together on any screen.
QFont WindowFont(const TFontSetting& setting);

// The stored form of a font, as the font dialog gives it or WindowFont made it.
TFontSetting FontSettingOf(const QFont& font);
