#pragma once

#include <QWidget>

// The finish page (Panel7).
class TFinishPage : public QWidget {
    Q_OBJECT
public:
    explicit TFinishPage(QWidget* parent);
};
