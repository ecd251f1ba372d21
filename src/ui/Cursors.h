#pragma once

#include <QCursor>

// The program's own pointer shapes, in the slots of the screen's cursor table they are
// registered in.
enum class TCursorSlot {
    Pencil = 2, // painting mask pixels
    Circle = 3, // masking by colour
};

// Loads the two 32 x 32 monochrome cursors from the program's resources. Needs the
// application object; the main window calls it first when it is created.
void RegisterCursors();

// The registered cursor of that slot (registering them on first use).
QCursor AppCursor(TCursorSlot slot);

// Makes the masking page's pictures (cursors and button glyphs) available as resources
// under ":/mask/". The library is static, so its resources must be pulled in by a call.
void InitMaskResources();
