#include "ui/FinishPage.h"

#include "ui/Controls.h"

#include <QLabel>
#include <QPlainTextEdit>

TFinishPage::TFinishPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel7"));
    resize(306, 245);
    headline_ = MakeLabel(this, QStringLiteral("All valid icons were successfully saved."),
                          {0, 0, 306, 16});
    headline_->setObjectName(QStringLiteral("FinishText"));

    details_ = new QPlainTextEdit(this);
    Name(details_, "FinishDetails", QStringLiteral("What was done"));
    details_->setGeometry(0, 24, 306, 221);
    details_->setReadOnly(true);
    // Paths and reasons are long words: they wrap where they must.
    details_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    details_->setTabChangesFocus(true);
}

void TFinishPage::Show(const TFinishPageState& state) {
    headline_->setText(state.Headline);
    headline_->setAccessibleName(state.Headline);
    details_->setPlainText(state.Details);
    details_->setVisible(state.DetailsVisible);
}
