#pragma once

#include "process/pages/ChooserRules.h"

#include <QString>

class QWidget;

// The folder and file chooser's request and answer, kept by the main window between
// uses so that the filter entry chosen last is offered again. Each Execute shows a new
// TFormFileDialog and frees it before returning.
class TFileDialog {
public:
    QString Filter;      // "Normal Icon|*.ico"
    int FilterIndex = 1; // entry of Filter, from 0; beyond the last means the last
    QString InitialDir;  // TForm1 sets it to the current directory at start-up
    QString Title;
    TChooserType DialogType = TChooserType::Open;
    QString FileName;
    QString DefaultExt;
    bool MultiSelect = false;
    // Shows a new TFormFileDialog modally over owner; true when OK was pressed.
    // FileName then holds the answer (empty after anything but OK) and FilterIndex the
    // entry last chosen. An empty InitialDir starts in the current directory.
    bool Execute(QWidget* owner);
};
