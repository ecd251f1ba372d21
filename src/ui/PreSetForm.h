#pragma once

#include "core/JobState.h"
#include "core/Settings.h"

#include <QDialog>
#include <QList>
#include <utility>

class QCheckBox;
class TRadioGroup;
class TWindowDialogs;

// The "Preset answers" dialog. Every time it is shown it loads its controls from the
// job's preset fields; OK stores them in the settings and the job, Cancel and Esc leave
// both as they were. The dialog does not own the job, the store or the dialogs it tells
// a failed store through; all must outlive it.
class TPreSetForm : public QDialog {
    Q_OBJECT
public:
    TPreSetForm(TJobState& job, TSettingsStore& store, TWindowDialogs& dialogs,
                QWidget* parent = nullptr);

    // The answers as the controls hold them.
    TPresetAnswers Answers() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void OKButtonClick();
    void AddCheckBox(QWidget* group, const char* name, const QString& caption, int top,
                     bool TPresetAnswers::*answer);

    TJobState& job_;
    TSettingsStore& store_;
    TWindowDialogs& dialogs_;
    TRadioGroup* iconSize_ = nullptr;
    TRadioGroup* iconBPP_ = nullptr;
    QList<std::pair<QCheckBox*, bool TPresetAnswers::*>> checks_; // each with its answer
};
