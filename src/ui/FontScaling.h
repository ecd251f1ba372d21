#pragma once

#include <QSizeF>

class QFont;
class QWidget;

// The windows are laid out for the design font (8-point "MS Sans Serif" or its stand-in);
// a larger window font scales their geometry by its metrics, as dialog units do: across
// by the average letter width, down by the line height. Smaller fonts keep the design
// geometry, so pictures drawn pixel for pixel keep their room.

// The horizontal and vertical factors (each at least 1) of `font` against the design font.
QSizeF FontScale(const QFont& font);

// Marks a widget whose size is its picture's, in screen pixels: it keeps its size (and
// its children their places) and sits centred where its scaled self would be.
void KeepPixelSize(QWidget* widget);

// Places the window's controls at their design geometry times `scale`; a fixed-size window
// is resized the same way. The design geometry is what the controls had at the first
// call. Controls in a layout keep their place; only a fixed width or height of theirs
// scales.
void ScaleWindow(QWidget* window, QSizeF scale);
