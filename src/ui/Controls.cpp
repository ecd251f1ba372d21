#include "ui/Controls.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

QString WithoutAccelerator(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                plain += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        plain += caption[i];
    }
    return plain;
}

void Name(QWidget* widget, const char* objectName, const QString& accessibleName) {
    if (objectName) widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, bool wrap) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAccessibleName(WithoutAccelerator(text));
    return label;
}

namespace {

// Only the checked button of a group takes the Tab focus.
void TabStopAtChecked(QRadioButton* radio) {
    QObject::connect(radio, &QRadioButton::toggled, radio, [radio](bool checked) {
        if (!checked || !radio->parentWidget()) return;
        for (QRadioButton* other : radio->parentWidget()->findChildren<QRadioButton*>(
                 QString(), Qt::FindDirectChildrenOnly)) {
            const int policy = other->focusPolicy();
            other->setFocusPolicy(
                Qt::FocusPolicy(other == radio ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
        }
    });
}

} // namespace

QRadioButton* MakeRadio(QWidget* parent, const char* objectName, const QString& caption,
                        const QRect& geometry) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setGeometry(geometry);
    Name(radio, objectName, WithoutAccelerator(caption));
    TabStopAtChecked(radio);
    return radio;
}

QPushButton* MakeButton(QWidget* parent, const char* objectName, const QString& caption,
                        const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    // Enter always means the window's default button, whichever button has the focus.
    button->setAutoDefault(false);
    Name(button, objectName, WithoutAccelerator(caption));
    return button;
}

QFrame* MakeBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QFrame(parent);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setGeometry(geometry);
    return box;
}
