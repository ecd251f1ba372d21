#pragma once

#include "core/PageStates.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TPictureBox;

// The save page: the output format, where to save, replacing, the progress of an
// automatic run and a preview of the icon.
class TSavingPage : public QWidget {
    Q_OBJECT
public:
    explicit TSavingPage(QWidget* parent);

    int FormatItem() const;
    // Selects a format item as the program's own doing: no formatActivated follows.
    void SetFormatItem(int item);
    QString LocationText() const;
    bool ReplaceChecked() const;
    void SetControlsEnabled(bool enabled);

    void SetProgressRange(int minimum, int maximum);
    void SetProgressPosition(int position);
    void SetProgressVisible(bool visible);

    // Draws the page; the location is selected whole.
    void Show(const TSavingPageState& state);
    void FocusFormat();

signals:
    // The user picked a format item.
    void formatActivated(int item);
    void browseClicked();

private:
    QComboBox* format_;
    QLabel* description_;
    QLabel* locationLabel_;
    QLineEdit* location_;
    QPushButton* browse_;
    QCheckBox* replace_;
    QProgressBar* progress_;
    TPictureBox* preview_;
};
