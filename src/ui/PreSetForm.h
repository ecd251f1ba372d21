#pragma once

#include "core/JobState.h"
#include "core/Settings.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QPushButton;

// The "Preset answers" dialog. Every time it is shown it loads its controls from the
// job's preset fields; OK stores them in the settings and the job, Cancel and Esc leave
// both as they were. The dialog does not own the job or the store; both must outlive it.
class TPreSetForm : public QDialog {
    Q_OBJECT
public:
    TPreSetForm(TJobState& job, TSettingsStore& store, QWidget* parent = nullptr);

    // The answers as the controls hold them.
    TPresetAnswers Answers() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void OKButtonClick();

    TJobState& job_;
    TSettingsStore& store_;
    QButtonGroup* iconSize_ = nullptr;
    QButtonGroup* iconBPP_ = nullptr;
    QCheckBox* fixResolution_ = nullptr;
    QCheckBox* fixSizing_ = nullptr;
    QCheckBox* masking_ = nullptr;
    QCheckBox* fixMasking_ = nullptr;
};
