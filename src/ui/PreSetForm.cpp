#include "ui/PreSetForm.h"

#include "ui/Controls.h"
#include "ui/FontMapping.h"
#include "ui/RadioGroup.h"
#include "ui/WindowDialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

const QString Caption = QStringLiteral("Preset answers");

// The radio buttons of the dialog's two groups, closer together than the main window's.
constexpr TRadioItemPlaces presetItems{8, 21, 17};

QGroupBox* NewGroup(QWidget* parent, const char* name, const QString& title,
                    const QRect& geometry) {
    auto* group = new QGroupBox(title, parent);
    Name(group, name, WithoutAccelerator(title));
    group->setGeometry(geometry);
    return group;
}

} // namespace

TPreSetForm::TPreSetForm(TJobState& job, TSettingsStore& store, TWindowDialogs& dialogs,
                         QWidget* parent)
    : QDialog(parent), job_(job), store_(store), dialogs_(dialogs) {
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

    QGroupBox* resolution =
        NewGroup(this, "GroupResolution", QStringLiteral("Resolution"), QRect(8, 62, 305, 141));
    iconSize_ = new TRadioGroup(
        resolution, "RadioIconSize", QStringLiteral("&Size"),
        {QStringLiteral("16 x 16"), QStringLiteral("32 x 32"), QStringLiteral("48 x 48")},
        QRect(8, 18, 140, 84), -1, presetItems);
    iconBPP_ = new TRadioGroup(resolution, "RadioIconBPP", QStringLiteral("&Color"),
                               {QStringLiteral("16 colors"), QStringLiteral("256 colors")},
                               QRect(156, 18, 141, 84), -1, presetItems);
    AddCheckBox(resolution, "CheckFixResolution",
                QStringLiteral("Always use this &resolution even in Manual mode"), 112,
                &TPresetAnswers::FixResolution);

    QGroupBox* sizing =
        NewGroup(this, "GroupSizing", QStringLiteral("Sizing"), QRect(8, 209, 305, 68));
    auto* scaled = new QLabel(QStringLiteral("Picture will be scaled in Auto mode"), sizing);
    scaled->setObjectName(QStringLiteral("Label2"));
    scaled->setAlignment(Qt::AlignCenter);
    scaled->setGeometry(8, 20, 289, 15);
    AddCheckBox(sizing, "CheckFixSizing",
                QStringLiteral("Always sca&le picture even in Manual mode"), 42,
                &TPresetAnswers::FixSizing);

    QGroupBox* masking =
        NewGroup(this, "GroupMasking", QStringLiteral("Masking"), QRect(8, 283, 305, 70));
    AddCheckBox(masking, "CheckMasking", QStringLiteral("&Try to Auto-Mask in Auto mode"), 20,
                &TPresetAnswers::TryAutoMask);
    AddCheckBox(masking, "CheckFixMasking",
                QStringLiteral("Always &Auto-Mask picture even in Manual mode"), 44,
                &TPresetAnswers::FixMasking);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    Name(ok, "OKButton", ok->text());
    ok->setGeometry(81, 368, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TPreSetForm::OKButtonClick);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Name(cancel, "CancelButton", cancel->text());
    cancel->setGeometry(164, 368, 75, 25);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    QList<QWidget*> tabOrder{iconSize_, iconBPP_};
    for (const auto& entry : std::as_const(checks_))
        tabOrder << entry.first;
    tabOrder << ok << cancel;
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TPreSetForm::AddCheckBox(QWidget* group, const char* name, const QString& caption, int top,
                              bool TPresetAnswers::*answer) {
    auto* check = new QCheckBox(caption, group);
    Name(check, name, WithoutAccelerator(caption));
    check->setGeometry(8, top, 289, 17);
    checks_.append({check, answer});
}

TPresetAnswers TPreSetForm::Answers() const {
    TPresetAnswers answers;
    answers.IconSizeItem = iconSize_->ItemIndex();
    answers.IconBPPItem = iconBPP_->ItemIndex();
    for (const auto& [check, answer] : checks_)
        answers.*answer = check->isChecked();
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
    iconSize_->SetItemIndex(answers.IconSizeItem);
    iconBPP_->SetItemIndex(answers.IconBPPItem);
    for (const auto& [check, answer] : std::as_const(checks_))
        check->setChecked(answers.*answer);
}

void TPreSetForm::OKButtonClick() {
    if (!StorePresets(store_, job_, Answers()))
        dialogs_.ShowMessage(this,
                             QStringLiteral("The preset answers could not be stored. "
                                            "Those not stored keep their earlier values."),
                             Caption);
    accept();
}
