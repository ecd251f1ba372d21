#pragma once

#include <QIcon>
#include <QImage>

// The window's own pictures, compiled into the program (drawn by
// resources/make_pictures.py).

// The decorative side picture, 120 x 240.
QImage SidePicture();
// The program's icon at one of its sizes (16, 32, 48, 64, 128, 256).
QImage ProgramIconPicture(int size);
// The program's icon with every size, for the window and the desktop.
QIcon ProgramIcon();
