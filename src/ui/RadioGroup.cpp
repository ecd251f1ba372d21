#include "ui/RadioGroup.h"

#include "ui/Controls.h"

#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent, const char* objectName, const QString& title,
                         const QStringList& items, const QRect& geometry, int itemIndex,
                         TRadioItemPlaces places)
    : QGroupBox(title, parent) {
    Name(this, objectName, WithoutAccelerator(title));
    setGeometry(geometry);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QByteArray name = QByteArray(objectName) + QByteArray::number(i);
        items_ << MakeRadio(this, name.constData(), items[i],
                            QRect(places.Left, 18 + static_cast<int>(i) * places.Pitch,
                                  geometry.width() - 16, places.Height));
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
