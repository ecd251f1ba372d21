#include "ui/RadioGroup.h"

#include "ui/Controls.h"

#include <QRadioButton>

namespace {
constexpr int kFirstItemTop = 18;
constexpr int kItemPitch = 22;
} // namespace

TRadioGroup::TRadioGroup(QWidget* parent, const char* objectName, const QString& title,
                         const QStringList& items, const QRect& geometry, int itemIndex)
    : QGroupBox(title, parent) {
    Name(this, objectName, WithoutAccelerator(title));
    setGeometry(geometry);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QByteArray name = QByteArray(objectName) + QByteArray::number(i);
        items_ << MakeRadio(
            this, name.constData(), items[i],
            QRect(10, kFirstItemTop + static_cast<int>(i) * kItemPitch, geometry.width() - 16, 20));
    }
    SetItemIndex(itemIndex);
}

int TRadioGroup::ItemIndex() const {
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (items_[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < items_.size()) items_[index]->setChecked(true);
}
