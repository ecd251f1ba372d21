#pragma once

#include <QImage>
#include <QWidget>

class QPushButton;
class QRadioButton;
class TPictureBox;

// The sizing page (Panel4): scale the picture into the square or crop a square out of it,
// with the crop dialog behind "Crop option" and a preview of the result.
class TSizingPage : public QWidget {
    Q_OBJECT
public:
    explicit TSizingPage(QWidget* parent);

    bool CropChosen() const;
    // Draws the page: the crop option follows the choice; the preview is the whole
    // picture squeezed into the square when scaling, or the crop square's content at 1:1.
    void Show(const QImage& picture, const QImage& cropped, int iconSize);

signals:
    void choiceClicked();
    void cropOptionClicked();

private:
    QRadioButton* scale_;
    QRadioButton* crop_;
    QPushButton* option_;
    TPictureBox* preview_;
};
