#include "ui/WindowDialogs.h"

#include "ui/FileDialog.h"

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

std::optional<QFont> TQtWindowDialogs::ChooseFont(QWidget* owner, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, owner);
    if (!ok) return std::nullopt;
    return font;
}

bool TQtWindowDialogs::Run(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool TQtWindowDialogs::Run(TFileDialog& chooser, QWidget* owner) {
    return chooser.Execute(owner);
}
