#include "ui/ResolutionPage.h"

#include "ui/Controls.h"
#include "ui/FontScaling.h"
#include "ui/PictureBox.h"
#include "ui/RadioGroup.h"

#include <QFrame>

TResolutionPage::TResolutionPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel3"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("Select output icon resolution"), {0, 0, 306, 16});
    size_ = new TRadioGroup(
        this, "RadioOutSize", QStringLiteral("&Size"),
        {QStringLiteral("16 x 16"), QStringLiteral("32 x 32"), QStringLiteral("48 x 48")},
        {0, 26, 150, 92}, 1);
    color_ = new TRadioGroup(this, "RadioOutColor", QStringLiteral("&Color"),
                             {QStringLiteral("16 colors"), QStringLiteral("256 colors")},
                             {0, 126, 150, 70}, 1);

    preview_ = new QWidget(this);
    preview_->setObjectName(QStringLiteral("PanelPreview"));
    preview_->setGeometry(190, 32, 68, 68);
    KeepPixelSize(preview_);
    MakeBox(preview_, {0, 0, 68, 68});
    image_ = new TPictureBox(preview_);
    Name(image_, "ScaleImage", QStringLiteral("Preview of the picture"));
    image_->setGeometry(2, 2, 64, 64);
}

int TResolutionPage::SizeItem() const {
    return size_->ItemIndex();
}

int TResolutionPage::ColorItem() const {
    return color_->ItemIndex();
}

void TResolutionPage::Show(const TResolutionPageState& state) {
    size_->setEnabled(state.ChoicesEnabled);
    color_->setEnabled(state.ChoicesEnabled);
    image_->SetPicture(state.Preview);
    // The box's inside starts 2 pixels in, past its frame.
    if (state.PreviewVisible) image_->setGeometry(state.PreviewPlace.translated(2, 2));
    preview_->setVisible(state.PreviewVisible);
}
