#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>

class TPictureBox;
class TRadioGroup;

// The resolution page (Panel3): the icon's size and colours, and a preview of the picture.
class TResolutionPage : public QWidget {
    Q_OBJECT
public:
    explicit TResolutionPage(QWidget* parent);

    int SizeItem() const;
    int ColorItem() const;
    void SetChoicesEnabled(bool enabled);
    // The preview of the picture at the given size, or no preview (a null picture).
    void ShowPreview(const QImage& picture, QSize size);
    void HidePreview();

private:
    TRadioGroup* size_;
    TRadioGroup* color_;
    QWidget* preview_;
    TPictureBox* image_;
};
