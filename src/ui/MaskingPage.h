#pragma once

#include "core/JobState.h"
#include "core/PictureProcessor.h"
#include "process/pages/MaskEdit.h"

#include <QImage>
#include <QWidget>

class QToolButton;

// The mask view ImageForMask: shows its own V x V bitmap as it is, pixel for pixel, and
// passes mouse and keys to the mask operations. The tool in force is shown by the pointer
// over it (circle by colour, pencil by pixel, the arrow for none).
//
// Keyboard: the view takes the focus (Tab or a click); the arrow keys move a highlighted
// cell over the icon and Space flips that pixel between transparent and opaque, whatever
// tool is chosen. The highlight is drawn over the bitmap only while the view has the
// focus and the keyboard was used last, so it never hides what the mouse is painting.
class TMaskView : public QWidget {
    Q_OBJECT
public:
    TMaskView(TJobState& job, QWidget* parent = nullptr);

    // The tool the mouse works with; sets the pointer shape to match.
    void SetTool(TMaskTool tool);

    // DrawMaskView: (-1, -1), or either value -1, redraws the whole view.
    void DrawMaskView(std::int32_t x, std::int32_t y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void redraw(const TMaskRedraw& redraw);
    void moveHighlight(int dx, int dy);
    QRect highlightRect() const;

    TJobState& job_;
    QImage view_;
    TMaskTool tool_ = TMaskTool::None;
    int keyX_ = 0; // the highlighted cell
    int keyY_ = 0;
    bool showHighlight_ = false;
};

// The masking page (objectName "Panel5", 439 x 252): heading, the three tool buttons
// under their labels, the mask view ImageForMask (242 x 242) in a 250 x 250 panel.
class TMaskingPage : public QWidget {
    Q_OBJECT
public:
    // Stores the view's width (242) in job.MaskViewWidth.
    TMaskingPage(TJobState& job, PictureProcessor& processor, QWidget* parent = nullptr);
    // Shown as the masking step: a button held when the page was left is not held now
    // (clears LeftDrawing and RightDrawing); redraws the whole view.
    void ShowMasking();

signals:
    // AutoMaskSpeedButton ran the automatic mask; TForm1 answers with ShowPage().
    void autoMaskApplied();

private:
    void ColorSelectClick();
    void ColorToggleClick();
    void AutoMaskSpeedButtonClick();

    TJobState& job_;
    PictureProcessor& processor_;
    QToolButton* colorSelect_ = nullptr;
    QToolButton* colorToggle_ = nullptr;
    TMaskView* view_ = nullptr;
};
