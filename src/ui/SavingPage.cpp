#include "ui/SavingPage.h"

#include "core/PageTexts.h"
#include "process/building/OutputNaming.h"
#include "ui/Controls.h"
#include "ui/FontScaling.h"
#include "ui/PictureBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

TSavingPage::TSavingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel6"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("Your icon ready for save."), {0, 0, 200, 16});
    QLabel* formatLabel =
        MakeLabel(this, QStringLiteral("Select output &format"), {0, 24, 200, 16});
    format_ = new QComboBox(this);
    Name(format_, "OutFormatCombo", WithoutAccelerator(formatLabel->text()));
    for (int item = 0; item < 3; ++item)
        format_->addItem(QLatin1String(OutputFormatAt(item).ComboItem));
    format_->setGeometry(0, 42, 190, 22);
    formatLabel->setBuddy(format_);

    description_ = MakeLabel(this, QString(), {0, 72, 306, 30}, true);
    description_->setObjectName(QStringLiteral("DescriptionText"));
    locationLabel_ = MakeLabel(this, QString(), {0, 110, 220, 16});
    locationLabel_->setObjectName(QStringLiteral("OutLocationText"));
    location_ = new QLineEdit(this);
    Name(location_, "OutLocationEdit", WithoutAccelerator(LocationLabel(false)));
    location_->setGeometry(0, 128, 222, 22);
    locationLabel_->setBuddy(location_);
    browse_ = MakeButton(this, "ChooseButton", QStringLiteral("&Browse"), {230, 127, 75, 25});
    replace_ = new QCheckBox(QStringLiteral("&Replace existing file"), this);
    Name(replace_, "ReplaceCheckBox", WithoutAccelerator(replace_->text()));
    replace_->setGeometry(0, 160, 222, 20);
    replace_->setChecked(true);

    progress_ = new QProgressBar(this);
    Name(progress_, "ProgressBar1", QStringLiteral("Progress"));
    progress_->setGeometry(0, 194, 306, 16);
    progress_->setTextVisible(false);
    progress_->hide();

    preview_ = new TPictureBox(this);
    Name(preview_, "LastPreview", QStringLiteral("Preview of the icon"));
    preview_->setGeometry(208, 20, 48, 48);
    KeepPixelSize(preview_);
    preview_->SetStretch(false);

    connect(format_, &QComboBox::activated, this, &TSavingPage::formatActivated);
    connect(browse_, &QPushButton::clicked, this, &TSavingPage::browseClicked);
}

int TSavingPage::FormatItem() const {
    return format_->currentIndex();
}

void TSavingPage::SetFormatItem(int item) {
    format_->setCurrentIndex(item);
}

QString TSavingPage::LocationText() const {
    return location_->text();
}

bool TSavingPage::ReplaceChecked() const {
    return replace_->isChecked();
}

void TSavingPage::SetControlsEnabled(bool enabled) {
    format_->setEnabled(enabled);
    location_->setEnabled(enabled);
    browse_->setEnabled(enabled);
    replace_->setEnabled(enabled);
}

void TSavingPage::SetProgressRange(int minimum, int maximum) {
    // An empty range would make the bar a busy indicator; one picture shows an empty bar.
    progress_->setRange(minimum, std::max(minimum + 1, maximum));
}

void TSavingPage::SetProgressPosition(int position) {
    progress_->setValue(position);
}

void TSavingPage::SetProgressVisible(bool visible) {
    progress_->setVisible(visible);
}

void TSavingPage::Show(const TSavingPageState& state) {
    replace_->setVisible(state.ReplaceVisible);
    preview_->SetPicture(state.Preview);
    if (!state.Preview.isNull()) preview_->resize(state.Preview.size());
    preview_->setVisible(!state.Preview.isNull());
    description_->setText(state.Description);
    description_->setAccessibleName(state.Description);
    locationLabel_->setText(state.LocationLabel);
    locationLabel_->setAccessibleName(WithoutAccelerator(state.LocationLabel));
    location_->setAccessibleName(WithoutAccelerator(state.LocationLabel));
    location_->setText(state.Location);
    location_->selectAll();
}

void TSavingPage::FocusFormat() {
    format_->setFocus(Qt::OtherFocusReason);
}
