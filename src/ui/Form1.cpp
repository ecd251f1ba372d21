#include "ui/Form1.h"

#include "core/PageTexts.h"
#include "core/PathParts.h"
#include "core/Settings.h"
#include "process/building/OutputNaming.h"
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
    : QDialog(parent), store_(store), dialogs_(dialogs),
      fontDialogFont_(WindowFont(TFontSetting{})) {
    RegisterCursors();
    processor_.SetLoadAside(true);
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
    processor_.SetPreviewScale([this] {
        const qreal ratio = devicePixelRatioF();
        return qFuzzyCompare(ratio, qreal(qRound(ratio))) ? qRound(ratio) : 0;
    });

    ApplyFont(WindowFont(LoadSettings(job_, store_)));
    fileDialog_.InitialDir = QDir::currentPath();
    job_.Step = PageSource;
    queue_.QueueAll(arguments);
    ShowPage();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
}

void TForm1::CreateFixedParts() {
    leftPicturePanel_ = new QFrame(this);
    leftPicturePanel_->setObjectName(QStringLiteral("LeftPicturePanel"));
    leftPicturePanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    leftPicturePanel_->setGeometry(8, 8, 121, 241);
    sidePicture_ = new TPictureBox(leftPicturePanel_);
    Name(sidePicture_, "Image1", QStringLiteral("Tessaly picture"));
    sidePicture_->setGeometry(leftPicturePanel_->contentsRect());
    sidePicture_->SetPicture(SidePicture());

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Bevel1"));
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    separator->setGeometry(8, 264, 433, 2);

    menuButton_ = new QToolButton(this);
    Name(menuButton_, "MenuButton", QStringLiteral("More"));
    menuButton_->setText(QStringLiteral("More"));
    menuButton_->setAutoRaise(true);
    menuButton_->setFocusPolicy(Qt::NoFocus);
    menuButton_->setGeometry(16, 280, 57, 25);

    moreMenu_ = new QMenu(this);
    moreMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    presetAction_ = moreMenu_->addAction(QStringLiteral("&Preset answers..."));
    presetAction_->setObjectName(QStringLiteral("Preset"));
    fontAction_ = moreMenu_->addAction(QStringLiteral("&Font..."));
    fontAction_->setObjectName(QStringLiteral("Font1"));
    moreMenu_->addSeparator();
    aboutAction_ = moreMenu_->addAction(QStringLiteral("&About program"));
    aboutAction_->setObjectName(QStringLiteral("Aboutprogram1"));
}

// Pages are made in their order and the buttons last, so the keyboard goes through each
// page from top to bottom and then to Back, Next and Cancel.
void TForm1::CreatePages() {
    sourcePage_ = new TSourcePage(this);
    batchPage_ = new TBatchPage(this);
    resolutionPage_ = new TResolutionPage(this);
    sizingPage_ = new TSizingPage(this);
    maskingPage_ = new TMaskingPage(job_, processor_, this);
    savingPage_ = new TSavingPage(this);
    finishPage_ = new TFinishPage(this);
    pages_ = {sourcePage_,  batchPage_,  resolutionPage_, sizingPage_,
              maskingPage_, savingPage_, finishPage_};
    for (QWidget* page : pages_) {
        page->move(136, 13);
        page->hide();
    }
    // The masking page is wider and covers the side picture.
    maskingPage_->move(6, 5);
    maskingPage_->setAutoFillBackground(true);

    backButton_ = MakeButton(this, "BackButton", BackCaption(), {197, 280, 75, 25});
    nextButton_ = MakeButton(this, "NextButton", NextCaption(PageSource), {272, 280, 75, 25});
    nextButton_->setDefault(true);
    cancelButton_ = MakeButton(this, "CancelButton", CancelCaption(), {360, 280, 75, 25});
}

void TForm1::ConnectControls() {
    connect(nextButton_, &QPushButton::clicked, this, &TForm1::NextButtonClick);
    connect(backButton_, &QPushButton::clicked, this, &TForm1::BackButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &TForm1::CancelButtonClick);
    connect(menuButton_, &QToolButton::clicked, this, &TForm1::MenuButtonClick);
    connect(presetAction_, &QAction::triggered, this, &TForm1::PresetClick);
    connect(fontAction_, &QAction::triggered, this, &TForm1::Font1Click);
    connect(aboutAction_, &QAction::triggered, this, &TForm1::Aboutprogram1Click);

    connect(sourcePage_, &TSourcePage::sourceClicked, this, &TForm1::ShowPage);
    connect(sourcePage_, &TSourcePage::addRequested, this, &TForm1::FileAddButtonClick);
    connect(sourcePage_, &TSourcePage::removeRequested, this, &TForm1::FileRemvButtonClick);
    connect(sizingPage_, &TSizingPage::choiceClicked, this, &TForm1::ShowPage);
    connect(sizingPage_, &TSizingPage::cropOptionClicked, this, &TForm1::CropOptionClick);
    connect(maskingPage_, &TMaskingPage::autoMaskApplied, this, &TForm1::ShowPage);
    connect(savingPage_, &TSavingPage::formatActivated, this, &TForm1::OutFormatComboChange);
    connect(savingPage_, &TSavingPage::browseClicked, this, &TForm1::ChooseButtonClick);

    // Coming back from another program re-reads what may have changed there, such as the
    // clipboard; the clipboard's own notice does so without any switch.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) FormActivate();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TForm1::FormActivate);
}

void TForm1::SetDialogs(TCropForm* cropForm, TAboutForm* aboutForm, TPreSetForm* preSetForm) {
    cropForm_ = cropForm;
    aboutForm_ = aboutForm;
    preSetForm_ = preSetForm;
    ApplyFont(font());
}

void TForm1::ApplyFont(const QFont& font) {
    const QSizeF scale = FontScale(font);
    setFont(font);
    ScaleWindow(this, scale);
    for (QWidget* dialog : {static_cast<QWidget*>(cropForm_), static_cast<QWidget*>(aboutForm_),
                            static_cast<QWidget*>(preSetForm_)}) {
        if (!dialog) continue;
        dialog->setFont(font);
        ScaleWindow(dialog, scale);
    }
}

template <typename Action> void TForm1::RunEngine(Action action) {
    action();
    if (redrawPending_ && !engine_.Busy()) FormActivate();
}

void TForm1::NextButtonClick() {
    RunEngine([this] { engine_.NextButtonClick(); });
}

void TForm1::BackButtonClick() {
    RunEngine([this] { engine_.BackButtonClick(); });
}

void TForm1::CancelButtonClick() {
    engine_.CancelButtonClick();
}

void TForm1::MenuButtonClick() {
    const QPoint corner = frameGeometry().topLeft();
    moreMenu_->popup(corner + menuButton_->pos() + QPoint(2, 2));
}

void TForm1::FileAddButtonClick() {
    const QStringList filters = NameFilters(AddDialogFilter());
    const QStringList files = dialogs_.ChooseFilesToAdd(
        this, filters, AddDialogStartFilter(filters), QStringLiteral("bmp"));
    queue_.QueueAll(files);
    ShowPage();
    sourcePage_->FocusList();
}

void TForm1::FileRemvButtonClick() {
    queue_.Remove(sourcePage_->SelectedRows());
    ShowPage();
    sourcePage_->FocusList();
}

void TForm1::CropOptionClick() {
    if (cropForm_) dialogs_.Run(*cropForm_);
    ShowPage();
}

void TForm1::ChooseButtonClick() {
    const bool directory = job_.OutIsDirectory;
    fileDialog_.Title =
        directory ? QStringLiteral("Output directory") : QStringLiteral("Output file name");
    fileDialog_.DialogType = directory ? TChooserType::Directory : TChooserType::Save;
    if (!dialogs_.Run(fileDialog_, this)) return;
    if (directory) {
        job_.OutDir = fileDialog_.FileName;
    } else {
        job_.OutPath = fileDialog_.FileName;
        job_.OutDir = FolderPart(job_.OutPath);
    }
    processor_.PrepareOutput();
    ShowPage();
}

void TForm1::OutFormatComboChange(int item) {
    job_.OutFormat = OutputFormatAt(item).Format;
    processor_.PrepareOutput();
    ShowPage();
    savingPage_->FocusFormat();
}

void TForm1::PresetClick() {
    if (preSetForm_) dialogs_.Run(*preSetForm_);
}

void TForm1::Font1Click() {
    const std::optional<QFont> chosen = dialogs_.ChooseFont(this, FontDialogStart(fontDialogFont_));
    if (!chosen) return;
    fontDialogFont_ = *chosen;
    ApplyFont(*chosen);
    // A font that cannot be stored stays applied until the program ends.
    StoreFont(store_, FontSettingOf(*chosen));
}

void TForm1::Aboutprogram1Click() {
    if (aboutForm_) dialogs_.Run(*aboutForm_);
}
