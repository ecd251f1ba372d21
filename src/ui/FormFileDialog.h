#pragma once

#include "process/pages/ChooserRules.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QStandardItemModel;
class QTreeView;

// How the chooser's form was closed.
enum class TChooserOutcome { None, OK, Cancel };

// The chooser's modal form (413 x 239): name field over the filtered file list and the
// type filter on the left, folder label over the folder tree and the drive list on the
// right, OK and Cancel beside them. The shown folder is always the process's current
// directory when it could be entered; a folder that cannot be entered or that vanishes
// is still shown, with no files and no answer, until another one is chosen.
class TFormFileDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFormFileDialog(QWidget* owner = nullptr);

    TChooserType DialogType = TChooserType::Open; // read when the form is shown
    QString FileName;                             // the current answer
    TChooserOutcome Outcome = TChooserOutcome::None;

    // Before showing: the file list's mask (ignored when empty), the type filter with the
    // entry to select (which sets the mask), the folder to start in (the nearest folder
    // above it that can be entered when it cannot), several files selectable or one.
    void SetFileMask(const QString& mask);
    void SetFilter(const QString& filter, int index);
    void SetFolder(const QString& folder);
    void SetMultiSelect(bool multiSelect);

    int FilterIndex() const;

public slots:
    void reject() override; // Escape acts as Cancel

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FormShow();
    void UpdateResult();
    bool SwitchFolder(const QString& folder);
    void DirectoryListBox1Change(const QString& folder, bool usable);
    void ShowFolderInTree();
    void ShowFilesOf();
    void CentreShownInTree();
    void HideOtherVolumes();
    void FileListBox1Change();
    void FileNameEditChange();
    void FileNameEditKeyDown();
    void FilterComboBox1Change(int index);
    void DriveComboBox1Change(int index);
    void FolderRowsAboutToGo(const QModelIndex& parent, int first, int last);
    void OKButtonClick();
    void CancelButtonClick();

    QLineEdit* FileNameEdit = nullptr;
    QListView* FileListBox1 = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    QLabel* DirNameLabel = nullptr;
    QTreeView* DirectoryListBox1 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* ResultLabel = nullptr;

    QFileSystemModel* folderModel_ = nullptr;
    QFileSystemModel* fileModel_ = nullptr;
    QStandardItemModel* noFiles_ = nullptr; // what the list shows for an unusable folder
    QStringList filterMasks_;
    QStringList driveRoots_;
    QString treeVolume_; // the volume whose folders the tree holds
    QString folder_;     // the shown folder
    bool folderUsable_ = false;
    bool syncingTree_ = false;  // the tree is being moved by the form, not by the user
    bool followShown_ = false;  // the tree scrolls to the shown folder as folders arrive
    bool pickedInTree_ = false; // the shown folder is being changed by a pick in the tree
};
