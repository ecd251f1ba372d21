#include "ui/PictureBox.h"

#include <QPainter>

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {}

void TPictureBox::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TPictureBox::SetStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    if (stretch_)
        painter.drawImage(rect(), picture_);
    else
        painter.drawImage(QPoint(0, 0), picture_);
}
