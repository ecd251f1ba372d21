#pragma once

#include <QRect>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

// Small helpers that make the window's controls at their fixed places, each named as the
// window names it and with the accessible name a screen reader speaks.

// A caption without its accelerator marks ("&Add" gives "Add", "&&" gives "&").
QString WithoutAccelerator(const QString& caption);

// Gives the widget its object name and its accessible name.
void Name(QWidget* widget, const char* objectName, const QString& accessibleName);

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, bool wrap = false);
// A radio button. Once a button of its group is checked, Tab enters the group at the
// checked button, as the system's own dialogs do, not at the one that last had the focus.
QRadioButton* MakeRadio(QWidget* parent, const char* objectName, const QString& caption,
                        const QRect& geometry);
QPushButton* MakeButton(QWidget* parent, const char* objectName, const QString& caption,
                        const QRect& geometry);
// A frame with a one-pixel line, the box of a preview.
QFrame* MakeBox(QWidget* parent, const QRect& geometry);
