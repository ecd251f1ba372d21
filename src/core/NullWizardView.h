#pragma once

#include "core/WizardView.h"

// A view without a window that shows nothing and answers as the pages start out: pictures
// from files, the automatic batch, 32 x 32 at 256 colours, scaling, a normal icon, no
// location typed, replacing existing files. Window-less front ends and test fakes derive
// from it and override just the answers and reports they care about.
class TNullWizardView : public WizardView {
public:
    bool SourceIsClipboard() const override { return false; }
    bool BatchIsAutomatic() const override { return true; }
    int ResolutionSizeItem() const override { return 1; }
    int ResolutionColorItem() const override { return 1; }
    bool CropChosen() const override { return false; }
    int OutFormatItem() const override { return 0; }
    QString OutLocationText() const override { return {}; }
    bool ReplaceChecked() const override { return true; }

    void SetOutFormatItem(int) override {}
    void SetChooserFilter(const QString&) override {}
    void SetSaveControlsEnabled(bool) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressVisible(bool) override {}

    void SetButtonsEnabled(bool) override {}
    void SetBusyCursor(bool) override {}
    void SetInputHeld(bool) override {}
    void ProcessPendingEvents() override {}
    void ShowPage() override {}
    void ShowMessage(const QString&, const QString&) override {}
    void CloseWizard() override {}

    bool ClipboardHasBitmap() const override { return false; }
    QImage ClipboardImage() const override { return {}; }
};
