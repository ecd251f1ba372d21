#pragma once

#include "core/PageStates.h"

#include <QWidget>

class TPictureBox;
class TRadioGroup;

// The resolution page: the icon's size and colours, and a preview of the picture.
class TResolutionPage : public QWidget {
    Q_OBJECT
public:
    explicit TResolutionPage(QWidget* parent);

    int SizeItem() const;
    int ColorItem() const;
    void Show(const TResolutionPageState& state);

private:
    TRadioGroup* size_;
    TRadioGroup* color_;
    QWidget* preview_;
    TPictureBox* image_;
};
