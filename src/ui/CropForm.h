#pragma once

#include "process/building/CropState.h"

#include <QColor>
#include <QDialog>
#include <QFrame>
#include <array>

class QLabel;
class QLineEdit;
class QScrollArea;
class TWindowDialogs;

// ShowImage: the padded picture with the square's outline, drawn area by area from the
// crop state (no copy of the picture is kept). Mouse positions are padded-picture pixels.
class TCropPicture : public QWidget {
    Q_OBJECT
public:
    TCropPicture(TCropState& crop, QWidget* parent = nullptr);

signals:
    // The square moved (left button), or the view must scroll by (dx, dy) (right button).
    void squareMoved(const TCropRect& before);
    void panned(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TCropState& crop_;
};

// The frame colour swatch: looks pressed while the mouse is down on it.
class TColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit TColorSwatch(QWidget* parent = nullptr);
    void SetColor(const QColor& color);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The crop dialog "Crop option": places the icon-sized square that "Crop it" cuts out of
// the picture. Every change goes to the crop state at once; OK only closes (Esc too,
// since there is nothing to cancel). The state belongs to the picture processor and
// outlives the dialog; the dialog reads it afresh each time it is shown. The colour
// dialog is opened through `dialogs`, which must outlive the dialog too.
//
// The edit boxes take their value when they lose the focus, and also on Enter, which
// then closes the dialog with the typed value applied.
class TCropForm : public QDialog {
    Q_OBJECT
public:
    TCropForm(TCropState& crop, TWindowDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the state's picture, sizes, square and frame colour (done on every showing).
    void ShowState();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateCrop();
    void FormPaint(const TCropRect& before);
    void EditApplied(std::size_t edge);
    void SwatchClick();
    void Pan(int dx, int dy);

    TCropState& crop_;
    TWindowDialogs& dialogs_;
    QScrollArea* scrollBox_ = nullptr;
    TCropPicture* showImage_ = nullptr;
    QLabel* thumbnail_ = nullptr;
    QLabel* picSize_ = nullptr;
    QLabel* iconSize_ = nullptr;
    std::array<QLineEdit*, 4> edits_{}; // left, top, right, bottom
    TColorSwatch* swatch_ = nullptr;
    QColor lastChosen_ = Qt::black; // the colour dialog opens with it
};
