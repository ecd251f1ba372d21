#pragma once

#include "core/PageStates.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// The finish page: what the run did, in a line, and below it in full (where the
// icons went, the pictures that could not be loaded and why), in a box that scrolls.
class TFinishPage : public QWidget {
    Q_OBJECT
public:
    explicit TFinishPage(QWidget* parent);

    void Show(const TFinishPageState& state);

private:
    QLabel* headline_;
    QPlainTextEdit* details_;
};
