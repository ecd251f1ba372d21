#include "ui/WindowDialogs.h"

#include "core/Settings.h"
#include "ui/FileDialog.h"

#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

void TQtWindowDialogs::ShowMessage(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox::warning(owner, caption, text);
}

QStringList TQtWindowDialogs::ChooseFilesToAdd(QWidget* owner, const QStringList& nameFilters,
                                               const QString& selectedFilter,
                                               const QString& defaultSuffix) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(selectedFilter);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

namespace {

// The font dialog, which keeps itself open on OK until the size is one the windows hold.
class TWindowFontDialog : public QFontDialog {
public:
    using QFontDialog::QFontDialog;

protected:
    void done(int result) override {
        const double points = currentFont().pointSizeF();
        if (result == Accepted && (points < SmallestFontSize || points > LargestFontSize)) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Choose a size from %1 to %2 points.")
                                     .arg(SmallestFontSize)
                                     .arg(LargestFontSize));
            return;
        }
        QFontDialog::done(result);
    }
};

} // namespace

std::optional<QFont> TQtWindowDialogs::ChooseFont(QWidget* owner, const QFont& initial) {
    TWindowFontDialog dialog(initial, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFont();
}

std::optional<QColor> TQtWindowDialogs::ChooseColor(QWidget* owner, const QColor& initial) {
    QColorDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(initial);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedColor();
}

bool TQtWindowDialogs::Run(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool TQtWindowDialogs::Run(TFileDialog& chooser, QWidget* owner) {
    return chooser.Execute(owner);
}
