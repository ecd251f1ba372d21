#include "ui/FontScaling.h"

#include "core/Settings.h"
#include "ui/FontMapping.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLayout>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

const char* const DesignGeometry = "tessalyDesignGeometry";
const char* const DesignFixedSize = "tessalyDesignFixedSize";
const char* const PixelSize = "tessalyPixelSize";

QSizeF LetterSize(const QFont& font) {
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {metrics.horizontalAdvance(letters) / letters.size(), metrics.height()};
}

// Lengths round up and places down, so that a control that fits its parent at the design
// font still does.
int Scaled(int length, double factor) {
    return static_cast<int>(std::ceil(length * factor - 0.001));
}

QRect Scaled(const QRect& rect, QSizeF scale) {
    return {static_cast<int>(rect.left() * scale.width()),
            static_cast<int>(rect.top() * scale.height()), Scaled(rect.width(), scale.width()),
            Scaled(rect.height(), scale.height())};
}

// A fixed width or height (minimum equal to maximum) scales; -1 where the size is free.
void ScaleFixedSize(QWidget* widget, QSizeF scale) {
    QVariant design = widget->property(DesignFixedSize);
    if (!design.isValid()) {
        const QSize fixed(
            widget->minimumWidth() == widget->maximumWidth() ? widget->minimumWidth() : -1,
            widget->minimumHeight() == widget->maximumHeight() ? widget->minimumHeight() : -1);
        design = fixed;
        widget->setProperty(DesignFixedSize, design);
    }
    const QSize fixed = design.toSize();
    if (fixed.width() >= 0) widget->setFixedWidth(Scaled(fixed.width(), scale.width()));
    if (fixed.height() >= 0) widget->setFixedHeight(Scaled(fixed.height(), scale.height()));
}

// Composite Qt controls place their own parts.
bool PlacesItsOwnParts(const QWidget* widget) {
    return qobject_cast<const QAbstractScrollArea*>(widget) ||
           qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QLineEdit*>(widget);
}

void ScaleChildren(QWidget* parent, QSizeF scale) {
    const bool laidOut = parent->layout() != nullptr;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || child->objectName().startsWith(QLatin1String("qt_"))) continue;
        const bool pixels = child->property(PixelSize).toBool();
        if (laidOut) {
            if (!pixels) ScaleFixedSize(child, scale);
        } else {
            QVariant design = child->property(DesignGeometry);
            if (!design.isValid()) {
                design = child->geometry();
                child->setProperty(DesignGeometry, design);
            }
            const QRect scaled = Scaled(design.toRect(), scale);
            if (pixels) {
                // Centred where the scaled control would be.
                const QSize room = scaled.size() - design.toRect().size();
                child->move(scaled.topLeft() + QPoint(room.width() / 2, room.height() / 2));
            } else {
                ScaleFixedSize(child, scale);
                child->setGeometry(scaled);
            }
        }
        if (!pixels && !PlacesItsOwnParts(child)) ScaleChildren(child, scale);
    }
}

} // namespace

QSizeF FontScale(const QFont& font) {
    const QSizeF design = LetterSize(WindowFont(TFontSetting{}));
    const QSizeF chosen = LetterSize(font);
    return {std::max(1.0, chosen.width() / design.width()),
            std::max(1.0, chosen.height() / design.height())};
}

void KeepPixelSize(QWidget* widget) {
    widget->setProperty(PixelSize, true);
}

void ScaleWindow(QWidget* window, QSizeF scale) {
    if (!window->layout()) ScaleFixedSize(window, scale);
    ScaleChildren(window, scale);
}
