#pragma once

#include "core/InputQueue.h"

#include <QList>
#include <QWidget>

class QFrame;
class QListWidget;
class QPushButton;
class QRadioButton;

// The source page: the clipboard or the queue of files, with the queue's list and
// its Add and Remove buttons. The Insert and Delete keys in the list act as Add and Remove.
class TSourcePage : public QWidget {
    Q_OBJECT
public:
    explicit TSourcePage(QWidget* parent);

    // Draws the page for the queue and the clipboard as they stand.
    void Show(const TSourcePageState& state);
    bool ClipboardChosen() const;
    // The list's selected rows (queue entries), in any order.
    QList<int> SelectedRows() const;
    // Gives the keyboard focus to the list when it is enabled.
    void FocusList();

signals:
    void sourceClicked();
    void addRequested();
    void removeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRadioButton* clipboard_;
    QRadioButton* file_;
    QFrame* fromFile_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
};
