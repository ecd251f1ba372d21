#pragma once

#include <QIcon>
#include <QImage>

// The window's own pictures, compiled into the program (drawn by
// resources/make_pictures.py), and the fonts it shows its captions in.

// The decorative side picture, 120 x 240.
QImage SidePicture();
// The program's icon at one of its sizes (16, 32, 48, 64, 128, 256).
QImage ProgramIconPicture(int size);
// The program's icon with every size, for the window and the desktop.
QIcon ProgramIcon();

// The windows are designed for "MS Sans Serif" 8 points, which other systems lack. Its
// stand-in is Liberation Sans (metrics of Arial, close to the design font's widths, so the
// fixed-size captions fit), then Arimo (the same design), then DejaVu Sans.
void InstallFontSubstitutes();
