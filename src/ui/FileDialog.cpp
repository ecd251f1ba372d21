#include "ui/FileDialog.h"

#include "ui/FormFileDialog.h"

#include <QDir>
#include <QPointer>

bool TFileDialog::Execute(QWidget* owner) {
    // Owned by owner as well, so that the form goes with it should the owner be closed
    // while the chooser is shown; the guard notices that.
    QPointer<TFormFileDialog> form = new TFormFileDialog(owner);
    form->DialogType = DialogType;
    form->SetFileMask(DefaultExt);
    form->SetFilter(Filter, FilterIndex);
    form->SetFolder(InitialDir.isEmpty() ? QDir::currentPath() : InitialDir);
    form->SetMultiSelect(MultiSelect);
    form->setWindowTitle(ChooserCaption(Title, DialogType));
    form->exec();
    if (form.isNull()) {
        FileName.clear();
        return false;
    }
    const bool ok = form->Outcome == TChooserOutcome::OK;
    FileName = ok ? form->FileName : QString();
    FilterIndex = form->FilterIndex();
    delete form.data();
    return ok;
}
