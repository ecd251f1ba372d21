#pragma once

#include "core/Settings.h"

#include <QFont>

// The Qt font for a stored window font, with a face of this system in place of the
// Windows design face "MS Sans Serif".
QFont WindowFont(const TFontSetting& setting);

// The stored form of a font, as the font dialog gives it or WindowFont made it.
TFontSetting FontSettingOf(const QFont& font);

// `font` with the face it is drawn in as its only face, so that the font dialog, which
// lists only installed faces, opens on it.
QFont FontDialogStart(const QFont& font);

// Makes a font that names only the design face (as the about box's lines do) drawn in its
// stand-ins, in the order WindowFont tries them.
void InstallFontSubstitutes();
