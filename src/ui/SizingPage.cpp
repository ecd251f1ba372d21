#include "ui/SizingPage.h"

#include "ui/Controls.h"
#include "ui/FontScaling.h"
#include "ui/PictureBox.h"

#include <QFrame>
#include <QPushButton>
#include <QRadioButton>

TSizingPage::TSizingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel4"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("Size of input picture is not fit."), {0, 0, 306, 16});
    MakeLabel(this, QStringLiteral("What do you want to do?"), {0, 28, 306, 16});
    scale_ = MakeRadio(this, "RadioScale", QStringLiteral("&Scale it"), {16, 52, 150, 20});
    crop_ = MakeRadio(this, "RadioCrop", QStringLiteral("&Crop it"), {16, 76, 150, 20});
    option_ = MakeButton(this, "CropOption", QStringLiteral("Crop &option"), {34, 102, 96, 25});
    scale_->setChecked(true);

    QFrame* box = MakeBox(this, {190, 52, 68, 68});
    KeepPixelSize(box);
    preview_ = new TPictureBox(box);
    Name(preview_, "CropPreview", QStringLiteral("Preview of the icon's square"));
    preview_->setGeometry(5, 5, 48, 48);

    connect(scale_, &QRadioButton::clicked, this, &TSizingPage::choiceClicked);
    connect(crop_, &QRadioButton::clicked, this, &TSizingPage::choiceClicked);
    connect(option_, &QPushButton::clicked, this, &TSizingPage::cropOptionClicked);
}

bool TSizingPage::CropChosen() const {
    return crop_->isChecked();
}

void TSizingPage::Show(const TSizingPageState& state) {
    option_->setEnabled(state.CropOptionEnabled);
    // The box's inside starts 2 pixels in, past its frame.
    preview_->setGeometry(state.PreviewPlace.translated(2, 2));
    preview_->SetStretch(state.PreviewStretched);
    preview_->SetPicture(state.Preview);
}
