#include "ui/SourcePage.h"

#include "ui/Controls.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

TSourcePage::TSourcePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel1"));
    resize(306, 245);
    MakeLabel(this, QStringLiteral("Select input BMP, JPG, GIF, ICO, PNG or SVG file."),
              {0, 0, 306, 16});
    MakeLabel(this, QStringLiteral("Your picture can be any size or any resolution."),
              {0, 18, 306, 16});
    MakeLabel(this, QStringLiteral("Select source"), {0, 46, 306, 16});
    clipboard_ =
        MakeRadio(this, "RadioSrcClp", QStringLiteral("From &clipboard"), {16, 64, 200, 20});
    file_ = MakeRadio(this, "RadioSrcFile", QStringLiteral("From &file"), {16, 86, 200, 20});
    clipboard_->setChecked(true);

    fromFile_ = new QFrame(this);
    fromFile_->setObjectName(QStringLiteral("PanelFromFile"));
    fromFile_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fromFile_->setGeometry(0, 112, 306, 133);
    fromFile_->hide();
    list_ = new QListWidget(fromFile_);
    Name(list_, "ListBox1", QStringLiteral("Queued files"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setGeometry(6, 6, 208, 121);
    list_->installEventFilter(this);
    add_ = MakeButton(fromFile_, "FileAddButton", QStringLiteral("&Add"), {224, 6, 75, 25});
    remove_ = MakeButton(fromFile_, "FileRemvButton", QStringLiteral("&Remove"), {224, 37, 75, 25});

    connect(clipboard_, &QRadioButton::clicked, this, &TSourcePage::sourceClicked);
    connect(file_, &QRadioButton::clicked, this, &TSourcePage::sourceClicked);
    connect(add_, &QPushButton::clicked, this, &TSourcePage::addRequested);
    connect(remove_, &QPushButton::clicked, this, &TSourcePage::removeRequested);
}

void TSourcePage::Show(const TSourcePageState& state) {
    clipboard_->setEnabled(state.ClipboardEnabled);
    (state.ClipboardChecked ? clipboard_ : file_)->setChecked(true);
    fromFile_->setVisible(state.FilePanelVisible);

    // Redrawing keeps the user's selection while the queue is unchanged.
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i)
        shown << list_->item(i)->text();
    if (shown != state.ListLines) {
        list_->clear();
        list_->addItems(state.ListLines);
    }
    list_->setEnabled(state.ListEnabled);
    remove_->setEnabled(state.RemoveEnabled);
    add_->setEnabled(state.AddEnabled);
}

bool TSourcePage::ClipboardChosen() const {
    return clipboard_->isChecked();
}

QList<int> TSourcePage::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes())
        rows << index.row();
    return rows;
}

void TSourcePage::FocusList() {
    if (list_->isEnabled()) list_->setFocus(Qt::OtherFocusReason);
}

bool TSourcePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (TInputQueue::KeyAction(key->key())) {
        case TListKeyAction::Add:
            emit addRequested();
            return true;
        case TListKeyAction::Remove:
            emit removeRequested();
            return true;
        case TListKeyAction::None:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
