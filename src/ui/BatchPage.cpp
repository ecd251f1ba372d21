#include "ui/BatchPage.h"

#include "ui/Controls.h"

#include <QRadioButton>

TBatchPage::TBatchPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel2"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("More than one picture in queue."), {0, 0, 306, 16});
    MakeLabel(this, QStringLiteral("Select way to handle them"), {0, 28, 306, 16});
    manual_ = MakeRadio(this, "Handle_Manual", QStringLiteral("&Manually, One by one"),
                        {16, 52, 280, 20});
    MakeLabel(this, QStringLiteral("Program will ask for your dicision in every step."),
              {34, 74, 272, 30}, true);
    automatic_ = MakeRadio(this, "Handle_Auto", QStringLiteral("&Automatically, All in one shot"),
                           {16, 112, 280, 20});
    MakeLabel(this, QStringLiteral("Program will use values set in \"Preset answers\"."),
              {34, 134, 272, 30}, true);
    manual_->setChecked(true);
}

bool TBatchPage::IsAutomatic() const {
    return automatic_->isChecked();
}
