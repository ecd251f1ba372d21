#include "ui/Form1.h"

#include "core/PageTexts.h"
#include "core/Settings.h"
#include "process/OutputNaming.h"
#include "ui/AboutForm.h"
#include "ui/BatchPage.h"
#include "ui/Controls.h"
#include "ui/CropForm.h"
#include "ui/Cursors.h"
#include "ui/FinishPage.h"
#include "ui/FontMapping.h"
#include "ui/FontScaling.h"
#include "ui/MaskingPage.h"
#include "ui/PictureBox.h"
#include "ui/PreSetForm.h"
#include "ui/ResolutionPage.h"
#include "ui/SavingPage.h"
#include "ui/SizingPage.h"
#include "ui/SourcePage.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowResources.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {
constexpr int kClientWidth = 450;
constexpr int kClientHeight = 317;
} // namespace

TForm1::TForm1(TSettingsStore& store, TWindowDialogs& dialogs, const QStringList& arguments,
               QWidget* parent)
    : QDialog(parent), Store_(store), Dialogs_(dialogs),
      FontDialogFont_(WindowFont(TFontSetting{})) {
    RegisterCursors();
    Processor_.SetLoadAside(true);
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(ProductTitle());
    setWindowIcon(ProgramIcon());
    setAccessibleName(ProductTitle());
    setFont(WindowFont(TFontSetting{}));

    CreateFixedParts();
    CreatePages();
    ConnectControls();
    // The resolution page's preview is drawn pixel for pixel on the screen's device pixels.
    Processor_.SetPreviewScale([this] {
        const qreal ratio = devicePixelRatioF();
        return qFuzzyCompare(ratio, qreal(qRound(ratio))) ? qRound(ratio) : 0;
    });

    ApplyFont(WindowFont(LoadSettings(Job_, Store_)));
    FileDialog.InitialDir = QDir::currentPath();
    Job_.Step = PageSource;
    Queue_.QueueCommandLine(arguments);
    Job_.MaskViewWidth = MaskingPage_->MaskViewWidth();
    ShowPage();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
}

void TForm1::CreateFixedParts() {
    LeftPicturePanel = new QFrame(this);
    LeftPicturePanel->setObjectName(QStringLiteral("LeftPicturePanel"));
    LeftPicturePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LeftPicturePanel->setGeometry(8, 8, 121, 241);
    SidePicture_ = new TPictureBox(LeftPicturePanel);
    Name(SidePicture_, "Image1", QStringLiteral("Tessaly picture"));
    SidePicture_->setGeometry(LeftPicturePanel->contentsRect());
    SidePicture_->SetPicture(SidePicture());

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Bevel1"));
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    separator->setGeometry(8, 264, 433, 2);

    MenuButton = new QToolButton(this);
    Name(MenuButton, "MenuButton", QStringLiteral("More"));
    MenuButton->setText(QStringLiteral("More"));
    MenuButton->setAutoRaise(true);
    MenuButton->setFocusPolicy(Qt::NoFocus);
    MenuButton->setGeometry(16, 280, 57, 25);

    MoreMenu_ = new QMenu(this);
    MoreMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    Preset = MoreMenu_->addAction(QStringLiteral("&Preset answers..."));
    Preset->setObjectName(QStringLiteral("Preset"));
    Font1 = MoreMenu_->addAction(QStringLiteral("&Font..."));
    Font1->setObjectName(QStringLiteral("Font1"));
    MoreMenu_->addSeparator();
    Aboutprogram1 = MoreMenu_->addAction(QStringLiteral("&About program"));
    Aboutprogram1->setObjectName(QStringLiteral("Aboutprogram1"));
}

// Pages are made in their order and the buttons last, so the keyboard goes through each
// page from top to bottom and then to Back, Next and Cancel.
void TForm1::CreatePages() {
    SourcePage_ = new TSourcePage(this);
    BatchPage_ = new TBatchPage(this);
    ResolutionPage_ = new TResolutionPage(this);
    SizingPage_ = new TSizingPage(this);
    MaskingPage_ = new TMaskingPage(Job_, Processor_, this);
    SavingPage_ = new TSavingPage(this);
    FinishPage_ = new TFinishPage(this);
    for (QWidget* page : {static_cast<QWidget*>(SourcePage_), static_cast<QWidget*>(BatchPage_),
                          static_cast<QWidget*>(ResolutionPage_), static_cast<QWidget*>(SizingPage_),
                          static_cast<QWidget*>(SavingPage_), static_cast<QWidget*>(FinishPage_)}) {
        page->move(136, 13);
        page->hide();
    }
    MaskingPage_->move(6, 5);
    MaskingPage_->setAutoFillBackground(true);
    MaskingPage_->hide();

    BackButton = MakeButton(this, "BackButton", BackCaption(), {197, 280, 75, 25});
    NextButton = MakeButton(this, "NextButton", NextCaption(PageSource), {272, 280, 75, 25});
    NextButton->setDefault(true);
    CancelButton = MakeButton(this, "CancelButton", CancelCaption(), {360, 280, 75, 25});
}

void TForm1::ConnectControls() {
    connect(NextButton, &QPushButton::clicked, this, &TForm1::NextButtonClick);
    connect(BackButton, &QPushButton::clicked, this, &TForm1::BackButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TForm1::CancelButtonClick);
    connect(MenuButton, &QToolButton::clicked, this, &TForm1::MenuButtonClick);
    connect(Preset, &QAction::triggered, this, &TForm1::PresetClick);
    connect(Font1, &QAction::triggered, this, &TForm1::Font1Click);
    connect(Aboutprogram1, &QAction::triggered, this, &TForm1::Aboutprogram1Click);

    connect(SourcePage_, &TSourcePage::sourceClicked, this, &TForm1::ShowPage);
    connect(SourcePage_, &TSourcePage::addRequested, this, &TForm1::FileAddButtonClick);
    connect(SourcePage_, &TSourcePage::removeRequested, this, &TForm1::FileRemvButtonClick);
    connect(SizingPage_, &TSizingPage::choiceClicked, this, &TForm1::ShowPage);
    connect(SizingPage_, &TSizingPage::cropOptionClicked, this, &TForm1::CropOptionClick);
    connect(MaskingPage_, &TMaskingPage::autoMaskApplied, this, &TForm1::ShowPage);
    connect(SavingPage_, &TSavingPage::formatActivated, this, &TForm1::OutFormatComboChange);
    connect(SavingPage_, &TSavingPage::browseClicked, this, &TForm1::ChooseButtonClick);

    // Coming back from another program re-reads what may have changed there, such as the
    // clipboard; the clipboard's own notice does so without any switch.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) FormActivate();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TForm1::FormActivate);
}

void TForm1::SetDialogs(TCropForm* cropForm, TAboutForm* aboutForm, TPreSetForm* preSetForm) {
    CropForm_ = cropForm;
    AboutForm_ = aboutForm;
    PreSetForm_ = preSetForm;
    ApplyFont(font());
}

void TForm1::ApplyFont(const QFont& font) {
    const QSizeF scale = FontScale(font);
    setFont(font);
    ScaleWindow(this, scale);
    for (QWidget* dialog : {static_cast<QWidget*>(CropForm_), static_cast<QWidget*>(AboutForm_),
                            static_cast<QWidget*>(PreSetForm_)}) {
        if (!dialog) continue;
        dialog->setFont(font);
        ScaleWindow(dialog, scale);
    }
}

template <typename Action> void TForm1::RunEngine(Action action) {
    action();
    if (redrawPending_ && !Engine_.Busy()) FormActivate();
}

void TForm1::NextButtonClick() {
    RunEngine([this] { Engine_.NextButtonClick(); });
}

void TForm1::BackButtonClick() {
    RunEngine([this] { Engine_.BackButtonClick(); });
}

void TForm1::CancelButtonClick() {
    Engine_.CancelButtonClick();
}

void TForm1::MenuButtonClick() {
    const QPoint corner = frameGeometry().topLeft();
    MoreMenu_->popup(corner + MenuButton->pos() + QPoint(2, 2));
}

void TForm1::FileAddButtonClick() {
    const QStringList filters = NameFilters(AddDialogFilter());
    const QStringList files = Dialogs_.ChooseFilesToAdd(
        this, filters, AddDialogStartFilter(filters), QStringLiteral("bmp"));
    Queue_.QueueSelected(files);
    ShowPage();
    SourcePage_->FocusList();
}

void TForm1::FileRemvButtonClick() {
    Queue_.Remove(SourcePage_->SelectedRows());
    ShowPage();
    SourcePage_->FocusList();
}

void TForm1::CropOptionClick() {
    if (CropForm_) Dialogs_.Run(*CropForm_);
    ShowPage();
}

void TForm1::ChooseButtonClick() {
    const bool directory = Job_.OutIsDirectory == 1;
    FileDialog.Title =
        directory ? QStringLiteral("Output directory") : QStringLiteral("Output file name");
    FileDialog.DialogType = directory ? TChooserType::Directory : TChooserType::Save;
    if (!Dialogs_.Run(FileDialog, this)) return;
    if (directory) {
        Job_.OutDir = FileDialog.FileName;
    } else {
        Job_.OutPath = FileDialog.FileName;
        Job_.OutDir = FolderPart(Job_.OutPath);
    }
    Processor_.PrepareOutput();
    ShowPage();
}

void TForm1::OutFormatComboChange(int item) {
    const TOutputFormat& format = OutputFormatAt(item);
    Job_.OutFormat = format.Format;
    SavingPage_->SetReplaceVisible(format.ReplaceOffered);
    Processor_.PrepareOutput();
    ShowPage();
    SavingPage_->FocusFormat();
}

void TForm1::PresetClick() {
    if (PreSetForm_) Dialogs_.Run(*PreSetForm_);
}

void TForm1::Font1Click() {
    const std::optional<QFont> chosen = Dialogs_.ChooseFont(this, FontDialogStart(FontDialogFont_));
    if (!chosen) return;
    FontDialogFont_ = *chosen;
    ApplyFont(*chosen);
    // A font that cannot be stored stays applied until the program ends.
    StoreFont(Store_, FontSettingOf(*chosen));
}

void TForm1::Aboutprogram1Click() {
    if (AboutForm_) Dialogs_.Run(*AboutForm_);
}
