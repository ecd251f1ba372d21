#pragma once

#include "cli/ConvertOptions.h"
#include "core/JobState.h"
#include "core/NullWizardView.h"

#include <cstdio>

// The wizard's pages without a window, holding the answers tessaly-convert was given:
// the file source, the automatic run, and on the save page the format, the location
// and the replace box. Messages go to standard error as single lines, each after the
// program's name.
class TConvertView : public TNullWizardView {
public:
    // `names` holds each queued picture as it was given, for the progress line.
    TConvertView(const TJobState& job, const TConvertOptions& options, std::FILE* messages,
                 const QStringList& names);

    int ResolutionSizeItem() const override;
    int ResolutionColorItem() const override;
    int OutFormatItem() const override { return formatItem_; }
    QString OutLocationText() const override { return location_; }
    bool ReplaceChecked() const override { return options_.Replace; }

    void SetOutFormatItem(int item) override { formatItem_ = item; }
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgressPosition(int position) override;

    // The save page shows the output directory or the output file, as the wizard's page
    // does; what the user would type there is put in afterwards with SetLocationText.
    void ShowPage() override;
    void ShowMessage(const QString& text, const QString& caption) override;
    void CloseWizard() override { closed_ = true; }

    // What the user types into the save page's location box.
    void SetLocationText(const QString& text) { location_ = text; }
    bool Closed() const { return closed_; }

    // The progress line, when one is kept, is cleared before anything else is printed.
    void SetProgressShown(bool shown) { progressShown_ = shown; }
    void ClearProgress();

private:
    const TJobState& job_;
    const TConvertOptions& options_;
    std::FILE* messages_;
    const QStringList& names_;
    int formatItem_;
    QString location_;
    bool closed_ = false;
    int progressMax_ = 0;
    bool progressShown_ = false;
    bool progressOnScreen_ = false;
};
