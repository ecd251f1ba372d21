#include "ui/CropForm.h"

#include "image/ColorRef.h"
#include "process/pages/CropRender.h"
#include "ui/Controls.h"
#include "ui/FontScaling.h"
#include "ui/WindowDialogs.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QtMath>
#include <algorithm>
#include <functional>

namespace {

// The edge boxes in their order: name, caption and first text, the crop state's text for
// the edge and what the state does with a value typed there.
const struct {
    const char* Name;
    const char* Caption;
    const char* Text;
    const QString& (TCropState::*Shown)() const;
    void (TCropState::*Edited)(const QString&);
} edgeBoxes[] = {
    {"CropLeftText", "Left", "0", &TCropState::CropLeftText, &TCropState::LeftEdited},
    {"CropTopText", "Top", "0", &TCropState::CropTopText, &TCropState::TopEdited},
    {"CropRightText", "Right", "31", &TCropState::CropRightText, &TCropState::RightEdited},
    {"CropBottomText", "Bottom", "31", &TCropState::CropBottomText, &TCropState::BottomEdited},
};

QString sizeText(int width, int height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

} // namespace

TCropPicture::TCropPicture(TCropState& crop, QWidget* parent) : QWidget(parent), crop_(crop) {
    Name(this, "ShowImage", QStringLiteral("Picture with the crop square"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCropPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& area : event->region()) {
        const QImage shown = RenderCropView(crop_, area);
        if (shown.isNull())
            painter.fillRect(area, Qt::black);
        else
            painter.drawImage(area.topLeft(), shown);
    }
}

void TCropPicture::mousePressEvent(QMouseEvent* event) {
    const int x = qFloor(event->position().x());
    const int y = qFloor(event->position().y());
    if (event->button() == Qt::LeftButton) {
        const TCropRect before = crop_.CropRect;
        crop_.LeftButtonDown(x, y);
        emit squareMoved(before);
    } else if (event->button() == Qt::RightButton) {
        crop_.RightButtonDown(x, y);
    }
}

void TCropPicture::mouseMoveEvent(QMouseEvent* event) {
    const TCropRect before = crop_.CropRect;
    std::int32_t panX = 0;
    std::int32_t panY = 0;
    if (crop_.MouseMove(qFloor(event->position().x()), qFloor(event->position().y()), &panX, &panY))
        emit squareMoved(before);
    else if (panX != 0 || panY != 0)
        emit panned(panX, panY);
}

void TCropPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) crop_.LeftButtonUp();
    if (event->button() == Qt::RightButton) crop_.RightButtonUp();
}

TColorSwatch::TColorSwatch(QWidget* parent) : QFrame(parent) {
    Name(this, "Panel1", QStringLiteral("Frame Color"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(33, 19);
    setAutoFillBackground(true);
}

void TColorSwatch::SetColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Window, color);
    setPalette(colors);
}

void TColorSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setFrameShadow(QFrame::Sunken);
}

void TColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFrameShadow(QFrame::Raised);
    if (rect().contains(event->position().toPoint())) emit clicked();
}

TCropForm::TCropForm(TCropState& crop, TWindowDialogs& dialogs, QWidget* parent)
    : QDialog(parent), crop_(crop), dialogs_(dialogs) {
    setObjectName(QStringLiteral("CropForm"));
    setWindowTitle(QStringLiteral("Crop option"));
    // No close box: the dialog has nothing to cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    scrollBox_ = new QScrollArea(this);
    Name(scrollBox_, "ScrollBox1", QStringLiteral("Picture with the crop square"));
    scrollBox_->setFixedSize(320, 320);
    KeepPixelSize(scrollBox_);
    showImage_ = new TCropPicture(crop_, scrollBox_);
    scrollBox_->setWidget(showImage_);

    auto* sizes = new QGridLayout;
    picSize_ = new QLabel(this);
    picSize_->setObjectName(QStringLiteral("PicWHText"));
    iconSize_ = new QLabel(this);
    iconSize_->setObjectName(QStringLiteral("IconSizeText"));
    sizes->addWidget(new QLabel(QStringLiteral("Picture"), this), 0, 0);
    sizes->addWidget(picSize_, 0, 1);
    sizes->addWidget(new QLabel(QStringLiteral("Icon size"), this), 1, 0);
    sizes->addWidget(iconSize_, 1, 1);

    auto* group = new QGroupBox(QStringLiteral("Crop"), this);
    auto* groupLayout = new QGridLayout(group);
    thumbnail_ = new QLabel(group);
    thumbnail_->setObjectName(QStringLiteral("ThumbnailImage"));
    thumbnail_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    thumbnail_->setFixedSize(52, 52);
    KeepPixelSize(thumbnail_);
    thumbnail_->setAlignment(Qt::AlignCenter);
    groupLayout->addWidget(thumbnail_, 0, 0, 1, 2, Qt::AlignHCenter);
    for (std::size_t edge = 0; edge < edits_.size(); ++edge) {
        const QString caption = QString::fromLatin1(edgeBoxes[edge].Caption);
        auto* edit = new QLineEdit(QString::fromLatin1(edgeBoxes[edge].Text), group);
        Name(edit, edgeBoxes[edge].Name, caption);
        edit->setFixedWidth(56);
        edit->installEventFilter(this);
        auto* label = new QLabel(caption, group);
        label->setBuddy(edit);
        const int row = static_cast<int>(edge) + 1;
        groupLayout->addWidget(label, row, 0);
        groupLayout->addWidget(edit, row, 1);
        edits_[edge] = edit;
    }

    auto* frameRow = new QHBoxLayout;
    swatch_ = new TColorSwatch(this);
    swatch_->SetColor(RgbOf(crop_.FrameColor));
    frameRow->addWidget(new QLabel(QStringLiteral("Frame Color"), this));
    frameRow->addWidget(swatch_);
    frameRow->addStretch();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    Name(ok, "Button1", ok->text());
    ok->setDefault(true);

    auto* side = new QVBoxLayout;
    side->addLayout(sizes);
    side->addWidget(group);
    side->addLayout(frameRow);
    side->addStretch();
    side->addWidget(ok);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(scrollBox_, 0, Qt::AlignTop);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(showImage_, &TCropPicture::squareMoved, this, [this](const TCropRect& before) {
        UpdateCrop();
        FormPaint(before);
    });
    connect(showImage_, &TCropPicture::panned, this, &TCropForm::Pan);
    connect(swatch_, &TColorSwatch::clicked, this, &TCropForm::SwatchClick);
}

void TCropForm::ShowState() {
    picSize_->setText(sizeText(crop_.PicWidth, crop_.PicHeight));
    iconSize_->setText(sizeText(crop_.IconSize, crop_.IconSize));
    showImage_->setFixedSize(crop_.PaddedWidth(), crop_.PaddedHeight());
    swatch_->SetColor(RgbOf(crop_.FrameColor));
    UpdateCrop();
    FormPaint(crop_.CropRect);
    showImage_->update();
    const TCropRect& square = crop_.CropRect;
    scrollBox_->ensureVisible((square.Left + square.Right) / 2, (square.Top + square.Bottom) / 2,
                              160, 160);
}

void TCropForm::showEvent(QShowEvent* event) {
    ShowState();
    QDialog::showEvent(event);
}

void TCropForm::UpdateCrop() {
    for (std::size_t edge = 0; edge < edits_.size(); ++edge) {
        const QSignalBlocker quiet(edits_[edge]);
        edits_[edge]->setText((crop_.*edgeBoxes[edge].Shown)());
    }
}

// Repaints what a change touched: the outline where it was and where it is, and the
// thumbnail.
void TCropForm::FormPaint(const TCropRect& before) {
    showImage_->update(CropOutlineBounds(before));
    showImage_->update(CropOutlineBounds(crop_.CropRect));
    thumbnail_->setPixmap(QPixmap::fromImage(crop_.CropImage()));
}

bool TCropForm::eventFilter(QObject* watched, QEvent* event) {
    const auto edge =
        static_cast<std::size_t>(std::find(edits_.begin(), edits_.end(), watched) - edits_.begin());
    if (edge < edits_.size() && event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the edit's menu keeps the focus here.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            EditApplied(edge);
    } else if (edge < edits_.size() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) EditApplied(edge);
    }
    return QDialog::eventFilter(watched, event);
}

void TCropForm::EditApplied(std::size_t edge) {
    const TCropRect before = crop_.CropRect;
    std::invoke(edgeBoxes[edge].Edited, crop_, edits_[edge]->text());
    UpdateCrop();
    FormPaint(before);
}

void TCropForm::Pan(int dx, int dy) {
    if (dx != 0)
        scrollBox_->horizontalScrollBar()->setValue(scrollBox_->horizontalScrollBar()->value() -
                                                    dx);
    if (dy != 0)
        scrollBox_->verticalScrollBar()->setValue(scrollBox_->verticalScrollBar()->value() - dy);
}

void TCropForm::SwatchClick() {
    const std::optional<QColor> chosen = dialogs_.ChooseColor(this, lastChosen_);
    if (!chosen) return;
    lastChosen_ = *chosen;
    crop_.SetFrameColor(ColorRefOf(lastChosen_.rgb()));
    swatch_->SetColor(lastChosen_);
    showImage_->update(); // the border strips run all round the picture
    FormPaint(crop_.CropRect);
}
