#pragma once

#include <QWidget>

class QRadioButton;

// The batch page: a manual run, one picture at a time, or an automatic one.
class TBatchPage : public QWidget {
    Q_OBJECT
public:
    explicit TBatchPage(QWidget* parent);
    bool IsAutomatic() const;

private:
    QRadioButton* manual_;
    QRadioButton* automatic_;
};
