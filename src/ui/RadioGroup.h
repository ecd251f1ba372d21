#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

// Where a radio group's items stand: their left edge, the distance from one item's top to
// the next one's (the first at 18), and their height; each is as wide as the group less 16.
struct TRadioItemPlaces {
    int Left = 10;
    int Pitch = 22;
    int Height = 20;
};

// A titled group of radio buttons, one item chosen (none for an index outside the items),
// items counted from 0 and stacked from the top. The items are named after the group
// followed by their number.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(QWidget* parent, const char* objectName, const QString& title,
                const QStringList& items, const QRect& geometry, int itemIndex,
                TRadioItemPlaces places = {});

    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    QList<QRadioButton*> items_;
};
