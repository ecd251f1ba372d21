#pragma once

#include "core/PageStates.h"

#include <QWidget>

class QPushButton;
class QRadioButton;
class TPictureBox;

// The sizing page: scale the picture into the square or crop a square out of it,
// with the crop dialog behind "Crop option" and a preview of the result.
class TSizingPage : public QWidget {
    Q_OBJECT
public:
    explicit TSizingPage(QWidget* parent);

    bool CropChosen() const;
    void Show(const TSizingPageState& state);

signals:
    void choiceClicked();
    void cropOptionClicked();

private:
    QRadioButton* scale_;
    QRadioButton* crop_;
    QPushButton* option_;
    TPictureBox* preview_;
};
