#include "ui/PreSetForm.h"

#include "ui/Controls.h"
#include "ui/FontMapping.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

namespace {

const QString Caption = QStringLiteral("Preset answers");

// What a screen reader speaks for a control: its caption without the accelerator mark.
QString SpokenName(const QString& caption) {
    return QString(caption).remove(QLatin1Char('&'));
}

QGroupBox* NewGroup(QWidget* parent, const QString& name, const QString& title,
                    const QRect& geometry) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    group->setAccessibleName(SpokenName(title));
    return group;
}

QCheckBox* NewCheckBox(QWidget* parent, const QString& name, const QString& text, int top) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(name);
    check->setGeometry(8, top, 289, 17);
    check->setAccessibleName(SpokenName(text));
    return check;
}

// A radio group: one button per item, ids the item numbers, one item below the other.
QButtonGroup* NewRadioGroup(QGroupBox* box, const QStringList& items) {
    auto* buttons = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], box);
        radio->setObjectName(box->objectName() + QString::number(i));
        radio->setGeometry(8, 18 + 21 * i, box->width() - 16, 17);
        radio->setAccessibleName(items[i]);
        TabStopAtChecked(radio);
        buttons->addButton(radio, i);
    }
    return buttons;
}

} // namespace

TPreSetForm::TPreSetForm(TJobState& job, TSettingsStore& store, QWidget* parent)
    : QDialog(parent), job_(job), store_(store) {
    setObjectName(QStringLiteral("PreSetForm"));
    setWindowTitle(Caption);
    // A fixed dialog frame with close and help boxes; the help box puts the dialog in
    // what's-this mode.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    setFixedSize(321, 407);
    // The main window's font; without one, the design font.
    setFont(parent ? parent->window()->font() : WindowFont(TFontSetting{}));

    auto* intro = new QLabel(
        QStringLiteral("In Auto mode. Program will automatically use these preset answers "
                       "instead of asking you in wizard. You can also use preset answers in "
                       "Manual mode. See checkboxes below."),
        this);
    intro->setObjectName(QStringLiteral("Label1"));
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    intro->setGeometry(8, 8, 305, 49);

    QGroupBox* resolution = NewGroup(this, QStringLiteral("GroupResolution"),
                                     QStringLiteral("Resolution"), QRect(8, 62, 305, 141));
    QGroupBox* sizeBox = NewGroup(resolution, QStringLiteral("RadioIconSize"),
                                  QStringLiteral("&Size"), QRect(8, 18, 140, 84));
    iconSize_ = NewRadioGroup(
        sizeBox, {QStringLiteral("16 x 16"), QStringLiteral("32 x 32"), QStringLiteral("48 x 48")});
    QGroupBox* colorBox = NewGroup(resolution, QStringLiteral("RadioIconBPP"),
                                   QStringLiteral("&Color"), QRect(156, 18, 141, 84));
    iconBPP_ = NewRadioGroup(colorBox, {QStringLiteral("16 colors"), QStringLiteral("256 colors")});
    fixResolution_ =
        NewCheckBox(resolution, QStringLiteral("CheckFixResolution"),
                    QStringLiteral("Always use this &resolution even in Manual mode"), 112);

    QGroupBox* sizing = NewGroup(this, QStringLiteral("GroupSizing"), QStringLiteral("Sizing"),
                                 QRect(8, 209, 305, 68));
    auto* scaled = new QLabel(QStringLiteral("Picture will be scaled in Auto mode"), sizing);
    scaled->setObjectName(QStringLiteral("Label2"));
    scaled->setAlignment(Qt::AlignCenter);
    scaled->setGeometry(8, 20, 289, 15);
    fixSizing_ = NewCheckBox(sizing, QStringLiteral("CheckFixSizing"),
                             QStringLiteral("Always sca&le picture even in Manual mode"), 42);

    QGroupBox* masking = NewGroup(this, QStringLiteral("GroupMasking"), QStringLiteral("Masking"),
                                  QRect(8, 283, 305, 70));
    masking_ = NewCheckBox(masking, QStringLiteral("CheckMasking"),
                           QStringLiteral("&Try to Auto-Mask in Auto mode"), 20);
    fixMasking_ = NewCheckBox(masking, QStringLiteral("CheckFixMasking"),
                              QStringLiteral("Always &Auto-Mask picture even in Manual mode"), 44);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(81, 368, 75, 25);
    ok->setDefault(true);
    ok->setAccessibleName(ok->text());
    connect(ok, &QPushButton::clicked, this, &TPreSetForm::OKButtonClick);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(164, 368, 75, 25);
    cancel->setAccessibleName(cancel->text());
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(sizeBox, colorBox);
    setTabOrder(colorBox, fixResolution_);
    setTabOrder(fixResolution_, fixSizing_);
    setTabOrder(fixSizing_, masking_);
    setTabOrder(masking_, fixMasking_);
    setTabOrder(fixMasking_, ok);
    setTabOrder(ok, cancel);
}

TPresetAnswers TPreSetForm::Answers() const {
    TPresetAnswers answers;
    answers.FixResolution = fixResolution_->isChecked();
    answers.IconSizeItem = iconSize_->checkedId();
    answers.IconBPPItem = iconBPP_->checkedId();
    answers.FixSizing = fixSizing_->isChecked();
    answers.TryAutoMask = masking_->isChecked();
    answers.FixMasking = fixMasking_->isChecked();
    return answers;
}

void TPreSetForm::showEvent(QShowEvent* event) {
    // Shown again after a change elsewhere (a run, a restart of the wizard's state), the
    // controls must show the fields as they are now, not as the dialog last left them.
    if (!event->spontaneous()) FormActivate();
    QDialog::showEvent(event);
}

void TPreSetForm::FormActivate() {
    const TPresetAnswers answers = PresetAnswersOf(job_);
    fixResolution_->setChecked(answers.FixResolution);
    iconSize_->button(answers.IconSizeItem)->setChecked(true);
    iconBPP_->button(answers.IconBPPItem)->setChecked(true);
    fixSizing_->setChecked(answers.FixSizing);
    fixMasking_->setChecked(answers.FixMasking);
    masking_->setChecked(answers.TryAutoMask);
}

void TPreSetForm::OKButtonClick() {
    if (!StorePresets(store_, job_, Answers()))
        QMessageBox::warning(this, Caption,
                             QStringLiteral("The preset answers could not be stored. "
                                            "Those not stored keep their earlier values."));
    accept();
}
