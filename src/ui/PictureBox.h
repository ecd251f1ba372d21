#pragma once

#include <QImage>
#include <QWidget>

// A picture control: shows its picture stretched to its own size (nearest neighbour, as
// the icon pixels are meant to be seen) or at 1:1 from its top-left corner.
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    void SetStretch(bool stretch);
    bool Stretch() const { return stretch_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    bool stretch_ = true;
};
