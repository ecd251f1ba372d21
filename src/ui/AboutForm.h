#pragma once

#include <QDialog>

// The about box: the program's icon, its name and build, and OK (which Esc also presses).
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};
