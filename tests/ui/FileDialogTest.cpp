#include "ui/FileDialog.h"
#include "ui/FormFileDialog.h"
#include "utils/TestUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A folder tree a/{one.ico, two.bmp, three.ico, Wide/}, b, c/d, and the current directory put
// back afterwards, since the chooser moves it.
class ChooserTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        root_ = QDir(temp_.path()).canonicalPath();
        QDir(root_).mkpath(QStringLiteral("a"));
        QDir(root_).mkpath(QStringLiteral("b"));
        QDir(root_).mkpath(QStringLiteral("a/") + Wide);
        QDir(root_).mkpath(QStringLiteral("c/d"));
        for (const char* name : {"one.ico", "two.bmp", "three.ico"}) {
            QFile file(QPath("a/") + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }

    // Paths and answers as std::string, which the test framework prints readably.
    QString QPath(const QString& relative) const { return root_ + QLatin1Char('/') + relative; }
    std::string Path(const QString& relative) const { return QPath(relative).toStdString(); }

    // Runs Execute with body acting on the shown form; a form still open after the body
    // is cancelled, so that a failed check never leaves the test waiting.
    bool Run(TFileDialog& dialog, const std::function<void(TFormFileDialog&)>& body) {
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TFormFileDialog*>(QApplication::activeModalWidget());
            EXPECT_NE(form, nullptr);
            if (!form) return;
            body(*form);
            if (form->isVisible()) form->reject();
        });
        return dialog.Execute(nullptr);
    }

    template <class T> static T* Child(TFormFileDialog& form, const char* name) {
        return form.findChild<T*>(QLatin1String(name));
    }
    static std::string Answer(TFormFileDialog& form) {
        return Child<QLabel>(form, "ResultLabel")->text().toStdString();
    }
    static std::string Tip(TFormFileDialog& form) {
        return Child<QLabel>(form, "DirNameLabel")->toolTip().toStdString();
    }
    static bool OkEnabled(TFormFileDialog& form) {
        return Child<QPushButton>(form, "OKButton")->isEnabled();
    }
    static void Type(TFormFileDialog& form, const QString& text, bool enter) {
        auto* edit = Child<QLineEdit>(form, "FileNameEdit");
        edit->clear();
        QTest::keyClicks(edit, text);
        if (enter) QTest::keyClick(edit, Qt::Key_Return);
    }
    // The names the file list shows once it has read the folder.
    static std::string Files(TFormFileDialog& form, int expected) {
        auto* list = Child<QListView>(form, "FileListBox1");
        static_cast<void>(QTest::qWaitFor(
            [&] { return list->model()->rowCount(list->rootIndex()) == expected; }));
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            names << list->model()->index(row, 0, list->rootIndex()).data().toString();
        }
        names.sort();
        return names.join(QLatin1Char(',')).toStdString();
    }

    const QString Wide = QStringLiteral("a folder whose name is wider than the tree");
    QTemporaryDir temp_;
    QString root_;
    const testutil::InFolder cwd_{std::filesystem::current_path()};
};

TEST_F(ChooserTest, DirectoryModeAnswersTheShownFolderAndFollowsTheTree) {
    TFileDialog dialog;
    dialog.DialogType = TChooserType::Directory;
    dialog.InitialDir = QPath("a");
    const bool ok = Run(dialog, [&](TFormFileDialog& form) {
        EXPECT_EQ(form.windowTitle().toStdString(), "Open directory");
        EXPECT_EQ(form.size(), QSize(413, 239));
        EXPECT_TRUE(OkEnabled(form));
        EXPECT_EQ(Answer(form), Path("a"));
        EXPECT_EQ(QDir::currentPath().toStdString(), Path("a"));
        EXPECT_FALSE(Child<QLineEdit>(form, "FileNameEdit")->isEnabled());
        auto* tree = Child<QTreeView>(form, "DirectoryListBox1");
        auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
        const auto rowOf = [&](const QString& folder) {
            return tree->visualRect(folders->index(QPath(folder)));
        };
        // The folders above have arrived (the open folder's own listed below it) and the tree
        // has come to rest with the open folder in the middle.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return rowOf("a/" + Wide).isValid() &&
                       std::abs(rowOf("a").center().y() - tree->viewport()->height() / 2) <
                           rowOf("a").height();
            },
            20000));
        // A click takes the folder under the pointer; then its own subfolders arrive.
        QSignalSpy loaded(folders, &QFileSystemModel::directoryLoaded);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(rowOf("b").left() + 8, rowOf("b").center().y()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return Answer(form) == Path("b"); }, 20000));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return loaded.contains(QVariantList{QPath("b")}); }, 20000));
        // The folder highlighted is the one chosen (the rows may move as folders arrive).
        EXPECT_EQ(
            folders->filePath(tree->selectionModel()->selectedIndexes().value(0)).toStdString(),
            Path("b"));
        const QModelIndex wide = folders->index(QPath("a/" + Wide));
        EXPECT_GE(tree->visualRect(wide).width(), tree->fontMetrics().horizontalAdvance(Wide));
        tree->setCurrentIndex(folders->index(QPath("c/d")));
        EXPECT_EQ(Answer(form), Path("c/d"));
        EXPECT_EQ(Tip(form), Path("c/d"));
        QTest::mouseClick(Child<QPushButton>(form, "OKButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.FileName.toStdString(), Path("c/d"));
    EXPECT_EQ(QDir::currentPath().toStdString(), Path("c/d")); // stays current after the chooser
}

TEST_F(ChooserTest, SaveModeTypedNamesPathsAndMasks) {
    TFileDialog dialog;
    dialog.DialogType = TChooserType::Save;
    dialog.Title = QStringLiteral("Output file name");
    dialog.Filter = QStringLiteral("Normal Icon|*.ico");
    dialog.InitialDir = QPath("a");
    const bool ok = Run(dialog, [&](TFormFileDialog& form) {
        EXPECT_EQ(form.windowTitle(), dialog.Title);
        EXPECT_EQ(Answer(form), "");
        EXPECT_FALSE(OkEnabled(form));
        EXPECT_EQ(Files(form, 2), "one.ico,three.ico");

        Type(form, QStringLiteral("new.ico"), false);
        EXPECT_EQ(Answer(form), Path("a/new.ico"));
        EXPECT_TRUE(OkEnabled(form));

        // A mask filters the list and is never an answer.
        Type(form, QStringLiteral("*.bmp"), false);
        EXPECT_FALSE(OkEnabled(form));
        QTest::keyClick(Child<QLineEdit>(form, "FileNameEdit"), Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Answer(form), "");
        EXPECT_EQ(Files(form, 1), "two.bmp");

        // A typed path moves the tree on Enter and leaves the name alone in the field.
        Type(form, QPath("c/d/x.ico"), false);
        EXPECT_EQ(Answer(form), "");
        QTest::keyClick(Child<QLineEdit>(form, "FileNameEdit"), Qt::Key_Return);
        EXPECT_EQ(Child<QLineEdit>(form, "FileNameEdit")->text(), QStringLiteral("x.ico"));
        EXPECT_EQ(Tip(form), Path("c/d"));
        auto* tree = Child<QTreeView>(form, "DirectoryListBox1");
        auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
        EXPECT_EQ(folders->filePath(tree->currentIndex()).toStdString(), Path("c/d"));
        EXPECT_EQ(Answer(form), Path("c/d/x.ico"));

        // A folder that does not exist: no switch, no answer.
        Type(form, QPath("none/y.ico"), true);
        EXPECT_EQ(Answer(form), "");
        EXPECT_EQ(QDir::currentPath().toStdString(), Path("c/d"));

        // Enter on an acceptable name is OK's.
        Type(form, QStringLiteral("x.ico"), true);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.FileName.toStdString(), Path("c/d/x.ico"));
}

TEST_F(ChooserTest, CancelFilterMemoryAndVanishedFolders) {
    TFileDialog dialog;
    dialog.DialogType = TChooserType::Save;
    dialog.Filter = QStringLiteral("Normal Icon|*.ico|Windows Bitmap|*.bmp");
    dialog.FilterIndex = 1;
    dialog.InitialDir = QPath("a/gone/deeper"); // opens in the nearest folder that exists
    dialog.FileName = QStringLiteral("kept?");
    EXPECT_FALSE(Run(dialog, [&](TFormFileDialog& form) {
        EXPECT_EQ(Tip(form), Path("a"));
        EXPECT_EQ(Files(form, 1), "two.bmp");
        Child<QComboBox>(form, "FilterComboBox1")->setCurrentIndex(0);
        EXPECT_EQ(Files(form, 2), "one.ico,three.ico");
        Type(form, QStringLiteral("new.ico"), false);
        QTest::mouseClick(Child<QPushButton>(form, "CancelButton"), Qt::LeftButton);
    }));
    EXPECT_EQ(dialog.FileName.toStdString(), "");
    EXPECT_EQ(dialog.FilterIndex, 0);

    dialog.InitialDir = QPath("b");
    EXPECT_FALSE(Run(dialog, [&](TFormFileDialog& form) {
        EXPECT_EQ(Child<QComboBox>(form, "FilterComboBox1")->currentIndex(), 0);
        Type(form, QStringLiteral("new.ico"), false);
        EXPECT_TRUE(OkEnabled(form));
        // The shown folder goes away: no answer, not even for a name typed after it;
        // another folder makes the chooser usable again.
        ASSERT_TRUE(QDir(root_).rmdir(QStringLiteral("b")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !OkEnabled(form); }, 5000));
        EXPECT_EQ(Answer(form), "");
        Type(form, QStringLiteral("other.ico"), false);
        EXPECT_FALSE(OkEnabled(form));
        Type(form, QPath("a/other.ico"), true);
        EXPECT_EQ(Answer(form), Path("a/other.ico"));
    }));
}

} // namespace
