#pragma once

#include <QCursor>

// The program's own pointer shapes, registered by number as the screen's cursor table:
// 2 pencil (painting mask pixels), 3 circle (masking by colour), 4 link.
inline constexpr int CursorPencil = 2;
inline constexpr int CursorCircle = 3;
inline constexpr int CursorLink = 4;

// Loads the three 32 x 32 monochrome cursors from the program's resources. Needs the
// application object; the main window calls it first when it is created.
void RegisterCursors();

// The registered cursor of that number (registering them on first use); the normal
// arrow for any other number.
QCursor AppCursor(int number);

// Makes the masking page's pictures (cursors and button glyphs) available as resources
// under ":/mask/". The library is static, so its resources must be pulled in by a call.
void InitMaskResources();
