#include "ui/FinishPage.h"

#include "ui/Controls.h"

TFinishPage::TFinishPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel7"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("All valid icons were successfully saved."), {0, 0, 306, 16});
}
