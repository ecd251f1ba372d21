#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

// A titled group of radio buttons, one item chosen, items counted from 0 and stacked from
// the top. The items are named after the group followed by their number.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(QWidget* parent, const char* objectName, const QString& title,
                const QStringList& items, const QRect& geometry, int itemIndex);

    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    QList<QRadioButton*> items_;
};
