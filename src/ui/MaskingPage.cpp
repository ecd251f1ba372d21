#include "ui/MaskingPage.h"

#include "process/pages/MaskViewRender.h"
#include "ui/Cursors.h"
#include "ui/FontScaling.h"

#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QtMath>

namespace {

constexpr int kViewWidth = 242;

TMouseButton maskButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::RightButton:
        return TMouseButton::Right;
    default:
        return TMouseButton::Middle;
    }
}

// Mouse positions may be fractional; the view works in whole pixels, and a position just
// left of or above the view must stay negative.
int viewPixel(qreal position) {
    return qFloor(position);
}

} // namespace

TMaskView::TMaskView(TJobState& job, QWidget* parent)
    : QWidget(parent), job_(job), view_(NewMaskView(kViewWidth)) {
    setObjectName(QStringLiteral("ImageForMask"));
    setFixedSize(kViewWidth, kViewWidth);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Mask view"));
    setAccessibleDescription(
        QStringLiteral("The icon magnified; transparent pixels are silver. Arrow keys move the "
                       "highlighted pixel, Space makes it transparent or opaque."));
}

void TMaskView::SetTool(TMaskTool tool) {
    tool_ = tool;
    switch (tool) {
    case TMaskTool::ByColor:
        setCursor(AppCursor(TCursorSlot::Circle));
        break;
    case TMaskTool::ByPixel:
        setCursor(AppCursor(TCursorSlot::Pencil));
        break;
    case TMaskTool::None:
        unsetCursor();
        break;
    }
}

void TMaskView::DrawMaskView(std::int32_t x, std::int32_t y) {
    ::DrawMaskView(view_, job_, x, y);
    if (x == -1 || y == -1)
        update();
    else
        update(MaskCellRegion(x, y, job_.IconSize, view_.width()));
}

void TMaskView::redraw(const TMaskRedraw& redraw) {
    if (redraw.What == TMaskRedraw::Whole)
        DrawMaskView(-1, -1);
    else if (redraw.What == TMaskRedraw::Cell)
        DrawMaskView(redraw.X, redraw.Y);
}

void TMaskView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), view_, event->rect());
    if (!showHighlight_ || !hasFocus()) return;
    const QRect cell = highlightRect();
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(cell.adjusted(1, 1, -2, -2));
}

// The highlighted cell with the grid lines on both sides.
QRect TMaskView::highlightRect() const {
    const int size = std::max(job_.IconSize, 1);
    const int width = view_.width();
    const int left = keyX_ * width / size;
    const int top = keyY_ * width / size;
    return QRect(QPoint(left, top), QPoint((keyX_ + 1) * width / size, (keyY_ + 1) * width / size));
}

void TMaskView::mousePressEvent(QMouseEvent* event) {
    const int x = viewPixel(event->position().x());
    const int y = viewPixel(event->position().y());
    if (showHighlight_) {
        showHighlight_ = false;
        update(highlightRect());
    }
    // The keyboard goes on from the pixel clicked last.
    const int iconX = ViewToIcon(x, job_.IconSize, job_.MaskViewWidth);
    const int iconY = ViewToIcon(y, job_.IconSize, job_.MaskViewWidth);
    if (iconX >= 0 && iconY >= 0 && iconX < job_.IconSize && iconY < job_.IconSize) {
        keyX_ = iconX;
        keyY_ = iconY;
    }
    redraw(MaskMouseDown(job_, tool_, maskButton(event->button()), x, y));
}

void TMaskView::mouseMoveEvent(QMouseEvent* event) {
    redraw(MaskMouseMove(job_, tool_, viewPixel(event->position().x()),
                         viewPixel(event->position().y())));
}

void TMaskView::mouseReleaseEvent(QMouseEvent* event) {
    MaskMouseUp(job_, maskButton(event->button()));
}

void TMaskView::moveHighlight(int dx, int dy) {
    const int last = job_.IconSize - 1;
    update(highlightRect());
    keyX_ = std::clamp(keyX_ + dx, 0, std::max(last, 0));
    keyY_ = std::clamp(keyY_ + dy, 0, std::max(last, 0));
    showHighlight_ = true;
    update(highlightRect());
}

void TMaskView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        moveHighlight(-1, 0);
        break;
    case Qt::Key_Right:
        moveHighlight(1, 0);
        break;
    case Qt::Key_Up:
        moveHighlight(0, -1);
        break;
    case Qt::Key_Down:
        moveHighlight(0, 1);
        break;
    case Qt::Key_Space:
        moveHighlight(0, 0); // a new icon may be smaller than the last one
        if (ToggleMaskPixel(job_, keyX_, keyY_)) DrawMaskView(keyX_, keyY_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TMaskView::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        moveHighlight(0, 0);
    }
    QWidget::focusInEvent(event);
}

void TMaskView::focusOutEvent(QFocusEvent* event) {
    update(highlightRect());
    QWidget::focusOutEvent(event);
}

namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const char* glyph, const QString& label,
                        int top) {
    auto* caption = new QLabel(label, parent);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    caption->setGeometry(8, top, 170, 16);
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QString::fromLatin1(glyph)));
    button->setIconSize(QSize(24, 24));
    button->setGeometry(93 - 26, top + 18, 52, 40);
    button->setAccessibleName(label);
    caption->setBuddy(button);
    return button;
}

} // namespace

TMaskingPage::TMaskingPage(TJobState& job, PictureProcessor& processor, QWidget* parent)
    : QWidget(parent), job_(job), processor_(processor) {
    InitMaskResources();
    setObjectName(QStringLiteral("Panel5"));
    setFixedSize(439, 252);

    auto* heading = new QLabel(QStringLiteral("Now set up transparent area of icon."), this);
    heading->setWordWrap(true);
    heading->setGeometry(8, 8, 170, 34);

    colorSelect_ = toolButton(this, "ColorSelect", ":/mask/colorselect.png",
                              QStringLiteral("Mask icon by \"Color\""), 50);
    colorToggle_ = toolButton(this, "ColorToggle", ":/mask/colortoggle.png",
                              QStringLiteral("Mask icon by \"Pixel\""), 116);
    auto* autoMask = toolButton(this, "AutoMaskSpeedButton", ":/mask/automask.png",
                                QStringLiteral("Auto-Mask"), 182);
    colorSelect_->setCheckable(true);
    colorToggle_->setCheckable(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("MaskViewPanel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(183, 1, 250, 250);
    KeepPixelSize(panel);
    view_ = new TMaskView(job_, panel);
    view_->move(4, 4);
    job_.MaskViewWidth = view_->width();

    // One group in which every button may be up: pressing one releases the other, and
    // pressing the one that is down releases it. An exclusive button group could not
    // leave both up, so the rule is written here.
    connect(colorSelect_, &QToolButton::clicked, this, [this] {
        if (colorSelect_->isChecked()) colorToggle_->setChecked(false);
        ColorSelectClick();
    });
    connect(colorToggle_, &QToolButton::clicked, this, [this] {
        if (colorToggle_->isChecked()) colorSelect_->setChecked(false);
        ColorToggleClick();
    });
    connect(autoMask, &QToolButton::clicked, this, &TMaskingPage::AutoMaskSpeedButtonClick);
}

void TMaskingPage::ShowMasking() {
    job_.LeftDrawing = false;
    job_.RightDrawing = false;
    view_->DrawMaskView(-1, -1);
}

void TMaskingPage::ColorSelectClick() {
    view_->SetTool(colorSelect_->isChecked() ? TMaskTool::ByColor : TMaskTool::None);
}

void TMaskingPage::ColorToggleClick() {
    view_->SetTool(colorToggle_->isChecked() ? TMaskTool::ByPixel : TMaskTool::None);
}

void TMaskingPage::AutoMaskSpeedButtonClick() {
    processor_.AutoMask();
    view_->DrawMaskView(-1, -1);
    emit autoMaskApplied();
}
