#pragma once

#include "core/WizardView.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Shared pieces of the fuzz targets: a scratch folder that lives as long as the process,
// and the input bytes written to a file there (the readers take file names).
namespace fuzzsupport {

inline QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

inline QString writeInput(const std::uint8_t* data, std::size_t size, const QString& name) {
    QString path = scratch().filePath(name);
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

// A wizard without a window: file source, automatic run, the save page's answers given.
class HeadlessView : public WizardView {
public:
    bool SourceIsClipboard() const override { return false; }
    bool BatchIsAutomatic() const override { return true; }
    int ResolutionSizeItem() const override { return 1; }
    int ResolutionColorItem() const override { return 1; }
    bool CropChosen() const override { return crop; }
    int OutFormatItem() const override { return formatItem; }
    QString OutLocationText() const override { return location; }
    bool ReplaceChecked() const override { return true; }
    void SetOutFormatItem(int item) override { formatItem = item; }
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
    void ShowMessage(const QString&, const QString&) override { ++messages; }
    void CloseWizard() override {}
    bool ClipboardHasBitmap() const override { return false; }
    QImage ClipboardImage() const override { return {}; }

    bool crop = false;
    int formatItem = 0;
    QString location;
    int messages = 0;
};

} // namespace fuzzsupport
