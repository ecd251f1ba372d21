#include "ui/FormFileDialog.h"

#include "process/pages/ChooserRules.h"
#include "ui/Controls.h"
#include "ui/FontMapping.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

namespace {

constexpr int kFieldWidth = 145;

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The volumes that can hold the answer. Reading the mount table and asking each volume
// for its state is quick; nothing here lists a folder.
QStringList MountedDriveRoots() {
    QList<TVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady()) continue;
        volumes.append({storage.rootPath(), QString::fromUtf8(storage.fileSystemType())});
    }
    QStringList roots = DriveRoots(volumes);
    if (roots.isEmpty()) roots.append(QDir::rootPath());
    return roots;
}

} // namespace

TFormFileDialog::TFormFileDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormFileDialog"));
    // The chooser keeps the design font whatever font the program's other windows take.
    setFont(WindowFont(TFontSetting{}));
    setFixedSize(413, 239);
    CreateControls();

    driveRoots_ = MountedDriveRoots();
    for (const QString& root : std::as_const(driveRoots_))
        DriveComboBox1->addItem(Native(root));
    SetFilter(QString(), 0);
    SetFolder(QDir::currentPath());
}

void TFormFileDialog::CreateControls() {
    // Created in the order the Tab key visits them.
    FileNameEdit = new QLineEdit(QStringLiteral("*.*"), this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    FileNameEdit->setGeometry(8, 28, kFieldWidth, FileNameEdit->sizeHint().height());
    FileNameEdit->installEventFilter(this);

    FileListBox1 = new QListView(this);
    Name(FileListBox1, "FileListBox1", QStringLiteral("Files"));
    FileListBox1->setGeometry(8, 56, kFieldWidth, 116);
    FileListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    FilterComboBox1 = new QComboBox(this);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setGeometry(8, 204, kFieldWidth, FilterComboBox1->sizeHint().height());

    DirNameLabel = new QLabel(this);
    DirNameLabel->setObjectName(QStringLiteral("DirNameLabel"));
    DirNameLabel->setGeometry(168, 32, kFieldWidth, DirNameLabel->sizeHint().height());

    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setGeometry(168, 56, kFieldWidth, 116);
    DirectoryListBox1->setHeaderHidden(true);
    DirectoryListBox1->setIndentation(12);
    DirectoryListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(168, 204, kFieldWidth, DriveComboBox1->sizeHint().height());

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    Name(OKButton, "OKButton", OKButton->text());
    OKButton->setGeometry(328, 16, 75, 25);
    OKButton->setDefault(true);

    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    Name(CancelButton, "CancelButton", CancelButton->text());
    CancelButton->setGeometry(328, 48, 75, 25);

    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    ResultLabel->move(8, 226);
    ResultLabel->hide();

    const auto label = [this](const QString& text, int x, int y, QWidget* buddy) {
        auto* caption = new QLabel(text, this);
        caption->move(x, y);
        caption->adjustSize();
        caption->setBuddy(buddy);
        // A screen reader names the control by its caption, without the colon.
        buddy->setAccessibleName(WithoutAccelerator(text).chopped(2));
    };
    label(QStringLiteral("File &name :"), 8, 8, FileNameEdit);
    label(QStringLiteral("List files of &types :"), 8, 184, FilterComboBox1);
    label(QStringLiteral("&Folders :"), 168, 8, DirectoryListBox1);
    label(QStringLiteral("&Drives :"), 168, 184, DriveComboBox1);

    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    folderModel_->setReadOnly(true);
    // Before the tree's own connections, which move its current item off removed rows.
    connect(folderModel_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &TFormFileDialog::FolderRowsAboutToGo);
    connect(folderModel_, &QAbstractItemModel::rowsRemoved, this, [this] { syncingTree_ = false; });
    DirectoryListBox1->setModel(folderModel_);
    for (int column = 1; column < folderModel_->columnCount(); ++column) {
        DirectoryListBox1->hideColumn(column);
    }
    // The column is as wide as the longest folder name shown, and the tree scrolls across
    // to it, so no name is cut.
    DirectoryListBox1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    DirectoryListBox1->header()->setStretchLastSection(false);
    DirectoryListBox1->setSortingEnabled(true);
    DirectoryListBox1->sortByColumn(0, Qt::AscendingOrder);

    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    fileModel_->setNameFilterDisables(false);
    fileModel_->setReadOnly(true);
    noFiles_ = new QStandardItemModel(this);
    FileListBox1->setModel(fileModel_);

    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (syncingTree_ || !current.isValid()) return;
                // The folder was picked in the tree, where the user sees it: the tree keeps
                // still, so the row under the pointer stays the one picked.
                followShown_ = false;
                pickedInTree_ = true;
                const QString folder = folderModel_->filePath(current);
                if (!SwitchFolder(folder)) DirectoryListBox1Change(folder, false);
                pickedInTree_ = false;
            });
    connect(folderModel_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent) {
                if (parent == DirectoryListBox1->rootIndex()) HideOtherVolumes();
            });
    // Folders above the shown one arrive, and are sorted, after it was selected, and push
    // it out of view; it is kept in view until the user scrolls the tree.
    const auto keepShownInView = [this] {
        if (!followShown_) return;
        CentreShownInTree();
    };
    connect(folderModel_, &QFileSystemModel::directoryLoaded, this, keepShownInView);
    connect(folderModel_, &QAbstractItemModel::layoutChanged, this, keepShownInView);
    connect(DirectoryListBox1->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { followShown_ = false; });
    connect(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TFormFileDialog::FileListBox1Change);
    connect(FileListBox1, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& at) {
        if (!at.isValid() || DialogType == TChooserType::Directory) return;
        FileListBox1Change();
        OKButtonClick();
    });
    connect(FileNameEdit, &QLineEdit::textChanged, this, &TFormFileDialog::FileNameEditChange);
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this,
            &TFormFileDialog::FilterComboBox1Change);
    connect(DriveComboBox1, &QComboBox::activated, this, &TFormFileDialog::DriveComboBox1Change);
    connect(OKButton, &QPushButton::clicked, this, &TFormFileDialog::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TFormFileDialog::CancelButtonClick);
}

void TFormFileDialog::SetFileMask(const QString& mask) {
    if (mask.isEmpty()) return;
    fileModel_->setNameFilters(NameFiltersOf(mask));
}

void TFormFileDialog::SetFilter(const QString& filter, int index) {
    const QList<TFilterEntry> entries = ParseFilter(filter);
    filterMasks_.clear();
    {
        const QSignalBlocker quiet(FilterComboBox1);
        FilterComboBox1->clear();
        for (const TFilterEntry& entry : entries) {
            FilterComboBox1->addItem(entry.Description);
            filterMasks_.append(entry.Mask);
        }
        FilterComboBox1->setCurrentIndex(ClampedFilterIndex(index, FilterComboBox1->count()));
    }
    FilterComboBox1Change(FilterComboBox1->currentIndex());
}

void TFormFileDialog::SetFolder(const QString& folder) {
    const QString wanted = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    // A start folder removed since it was remembered: the nearest folder above it.
    for (QString candidate = wanted;;) {
        if (SwitchFolder(candidate)) return;
        const QString parent = QFileInfo(candidate).path();
        if (parent == candidate) break;
        candidate = parent;
    }
    DirectoryListBox1Change(wanted, false);
}

void TFormFileDialog::SetMultiSelect(bool multiSelect) {
    FileListBox1->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                               : QAbstractItemView::SingleSelection);
}

int TFormFileDialog::FilterIndex() const {
    return std::max(0, FilterComboBox1->currentIndex());
}

void TFormFileDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormFileDialog::FormShow() {
    const QString folder = Native(folder_);
    DirNameLabel->setToolTip(folder);
    const bool files = DialogType != TChooserType::Directory;
    FileNameEdit->setEnabled(files);
    FileListBox1->setEnabled(files);
    FilterComboBox1->setEnabled(files);
    QPalette palette = FileListBox1->palette();
    palette.setColor(QPalette::Text, files ? QColor(0, 0, 0) : QColor(128, 128, 128));
    FileListBox1->setPalette(palette);
    if (files) {
        FileName.clear();
        FileNameEdit->selectAll(); // a name typed at once replaces the start mask
    } else {
        FileName = folderUsable_ ? FolderAnswer(folder) : QString();
    }
    UpdateResult();
}

void TFormFileDialog::UpdateResult() {
    const bool exists =
        DialogType == TChooserType::Open && !FileName.isEmpty() && QFileInfo(FileName).isFile();
    OKButton->setEnabled(ChooserOkEnabled(DialogType, FileName, exists));
    ResultLabel->setText(FileName);
    ResultLabel->setToolTip(FileName);
}

bool TFormFileDialog::SwitchFolder(const QString& folder) {
    if (!QDir::setCurrent(QDir::cleanPath(folder))) return false;
    // Read back, as the system resolves it; this is the folder the program now works in.
    DirectoryListBox1Change(QDir::currentPath(), true);
    return true;
}

void TFormFileDialog::DirectoryListBox1Change(const QString& folder, bool usable) {
    folder_ = folder;
    folderUsable_ = usable;
    DriveComboBox1->setCurrentIndex(driveRoots_.indexOf(DriveOf(folder_, driveRoots_)));
    ShowFolderInTree();
    ShowFilesOf();

    const QString shown = Native(folder_);
    DirNameLabel->setText(
        DirNameLabel->fontMetrics().elidedText(shown, Qt::ElideMiddle, kFieldWidth));
    DirNameLabel->setToolTip(shown);
    // A file answer stays what was typed or picked before; only a folder that cannot be
    // used takes it away.
    if (DialogType == TChooserType::Directory)
        FileName = usable ? FolderAnswer(shown) : QString();
    else if (!usable)
        FileName.clear();
    UpdateResult();
}

void TFormFileDialog::ShowFolderInTree() {
    const QString volume = DriveOf(folder_, driveRoots_);
    syncingTree_ = true;
    if (volume != treeVolume_) {
        treeVolume_ = volume;
        const QModelIndex root = folderModel_->setRootPath(volume);
        // The volume's root is the tree's top item, so that it can be chosen too.
        DirectoryListBox1->setRootIndex(root.parent());
        HideOtherVolumes();
        DirectoryListBox1->expand(root);
    }
    const QModelIndex shown = folderUsable_ ? folderModel_->index(folder_) : QModelIndex();
    if (shown.isValid()) {
        for (QModelIndex above = shown.parent(); above.isValid(); above = above.parent()) {
            DirectoryListBox1->expand(above);
        }
        DirectoryListBox1->expand(shown); // its subfolders are the likely next choice
        DirectoryListBox1->setCurrentIndex(shown);
        if (!pickedInTree_) {
            CentreShownInTree();
            followShown_ = true;
        }
    } else {
        DirectoryListBox1->selectionModel()->clear();
    }
    syncingTree_ = false;
}

void TFormFileDialog::CentreShownInTree() {
    const QModelIndex shown = DirectoryListBox1->currentIndex();
    DirectoryListBox1->scrollTo(shown, QAbstractItemView::PositionAtCenter);
    // Across, the names start at the left edge unless the folder's own name starts too
    // far right to be seen there.
    QScrollBar* across = DirectoryListBox1->horizontalScrollBar();
    const int indent = DirectoryListBox1->visualRect(shown).left() + across->value();
    across->setValue(indent > DirectoryListBox1->viewport()->width() / 2 ? indent : 0);
}

void TFormFileDialog::HideOtherVolumes() {
    const QModelIndex parent = DirectoryListBox1->rootIndex();
    const QModelIndex volume = folderModel_->index(treeVolume_);
    for (int row = 0; row < folderModel_->rowCount(parent); ++row) {
        DirectoryListBox1->setRowHidden(row, parent, folderModel_->index(row, 0, parent) != volume);
    }
}

void TFormFileDialog::ShowFilesOf() {
    const QModelIndex files = folderUsable_ ? fileModel_->setRootPath(folder_) : QModelIndex();
    if (!files.isValid()) {
        FileListBox1->setModel(noFiles_);
        return;
    }
    if (FileListBox1->model() != fileModel_) {
        FileListBox1->setModel(fileModel_);
        connect(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &TFormFileDialog::FileListBox1Change);
    }
    FileListBox1->setRootIndex(files);
    FileListBox1->selectionModel()->clear();
}

void TFormFileDialog::FolderRowsAboutToGo(const QModelIndex& parent, int first, int last) {
    for (int row = first; row <= last; ++row) {
        const QString gone = folderModel_->filePath(folderModel_->index(row, 0, parent));
        if (folder_ != gone && !folder_.startsWith(gone + QLatin1Char('/'))) continue;
        // The tree moves its current item off the removed row; that is not the user's
        // choice. The form shows the vanished folder, without files or answer, once the
        // model has finished removing it.
        syncingTree_ = true;
        QTimer::singleShot(0, this, [this, vanished = folder_] {
            if (folder_ == vanished) DirectoryListBox1Change(vanished, false);
        });
        return;
    }
}

void TFormFileDialog::FileListBox1Change() {
    if (DialogType == TChooserType::Directory) return;
    if (FileListBox1->model() != fileModel_) return;
    const QModelIndex current = FileListBox1->currentIndex();
    if (!current.isValid()) return;
    const QString name = fileModel_->fileName(current);
    FileNameEdit->setText(name);
    FileName = JoinFolderAndName(Native(folder_), name);
    UpdateResult();
}

void TFormFileDialog::FileNameEditChange() {
    if (DialogType == TChooserType::Directory) return;
    FileName =
        folderUsable_ ? AnswerForTypedName(FileNameEdit->text(), Native(folder_)) : QString();
    UpdateResult();
}

void TFormFileDialog::FileNameEditKeyDown() {
    const TTypedPath parts = SplitTypedPath(FileNameEdit->text());
    const QString typedFolder = parts.Drive + parts.Folder;
    // A relative folder is taken from the folder shown.
    if (!typedFolder.isEmpty() && !SwitchFolder(QDir(folder_).absoluteFilePath(typedFolder))) {
        FileName.clear();
        UpdateResult();
        return;
    }
    FileNameEdit->setText(parts.Name);
    if (HasWildcard(parts.Name)) {
        SetFileMask(parts.Name);
        FileName.clear();
    } else {
        FileName = folderUsable_ ? JoinFolderAndName(Native(folder_), parts.Name) : QString();
    }
    UpdateResult();
}

void TFormFileDialog::FilterComboBox1Change(int index) {
    if (index >= 0 && index < filterMasks_.size()) SetFileMask(filterMasks_[index]);
}

void TFormFileDialog::DriveComboBox1Change(int index) {
    if (index < 0 || index >= driveRoots_.size()) return;
    const QString root = driveRoots_[index];
    if (DriveOf(folder_, driveRoots_) == root && folderUsable_) return;
    if (!SwitchFolder(root)) DirectoryListBox1Change(root, false);
}

bool TFormFileDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FileNameEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // While OK can be pressed, Enter is OK's; otherwise the field takes it.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !OKButton->isEnabled()) {
            FileNameEditKeyDown();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormFileDialog::OKButtonClick() {
    UpdateResult();
    if (!OKButton->isEnabled()) return;
    // The folder may have gone since it was shown (a removed folder, an unplugged
    // volume): then there is no answer to give.
    if (DialogType != TChooserType::Open && !QFileInfo(folder_).isDir()) {
        DirectoryListBox1Change(folder_, false);
        return;
    }
    Outcome = TChooserOutcome::OK;
    QDialog::accept();
}

void TFormFileDialog::CancelButtonClick() {
    FileName.clear();
    Outcome = TChooserOutcome::Cancel;
    QDialog::reject();
}

void TFormFileDialog::reject() {
    CancelButtonClick();
}
