// The queue of picture files and the source page drawn from it, over real files.

#include "core/InputQueue.h"
#include "image/FileNames.h"
#include "utils/TestUtils.h"

#include <Qt>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class InputQueueTest : public ::testing::Test {
protected:
    testutil::TempDir dir;
    QStringList list;
    TInputQueue queue{list};

    // Creates a small file and gives its path as the queue sees it.
    QString file(const std::string& name) {
        const auto path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        testutil::writeFile(path, {'B', 'M'});
        return QString::fromStdString(path.string());
    }
    QString path(const std::string& name) const {
        return QString::fromStdString((dir / name).string());
    }
};

// The program's arguments, dropped files and the Add dialog's choice alike.
TEST_F(InputQueueTest, PathsAreQueuedLastToFirst) {
    const QString a = file("a.bmp");
    const QString b = file("b.ico");
    const QString c = file("c.gif");
    queue.QueueAll({a, b});
    queue.QueueAll({c, a});
    EXPECT_EQ(list, (QStringList{b, a, c}));
}

TEST_F(InputQueueTest, WhatIsNotAnExistingPictureIsSkipped) {
    const QString a = file("a.bmp");
    const QString tif = file("c.tif");
    std::filesystem::create_directory(dir / "folder.bmp");
    queue.QueueAll({a, path("missing.jpg"), tif, path("folder.bmp"), a, ""});
    EXPECT_EQ(list, QStringList{a}) << "the same file twice is queued once";
}

TEST_F(InputQueueTest, SupportedExtensionsInAnyCase) {
    for (const char* name : {"p.bmp", "p.jpg", "p.jpeg", "p.gif", "p.ico", "p.png", "p.svg",
                             "q.JPEG", "q.Gif", "q.PNG", ".bmp", "x.y.ico"})
        EXPECT_TRUE(TInputQueue::IsSupportedFile(file(name))) << name;
    for (const char* name : {"p.tif", "p.webp", "p.bmp.txt", "noext", "p.jpe", "p.bm", "p."})
        EXPECT_FALSE(TInputQueue::IsSupportedFile(file(name))) << name;
    // A dot in a folder name is not the file's extension.
    EXPECT_FALSE(TInputQueue::IsSupportedFile(file("pics.gif/picture")));
    EXPECT_FALSE(TInputQueue::IsSupportedFile(path("absent.bmp")));
    EXPECT_FALSE(TInputQueue::IsSupportedFile(QString()));
}

TEST_F(InputQueueTest, DuplicatesAreFoundByExactTextOnly) {
    const QString lower = file("a.bmp");
    const QString upper = file("A.BMP");
    const QString dotted = path("./a.bmp");
    EXPECT_TRUE(queue.Queue(lower));
    EXPECT_TRUE(queue.Queue(upper));
    EXPECT_TRUE(queue.Queue(dotted)) << "another spelling of the same file stays";
    EXPECT_FALSE(queue.Queue(lower));
    EXPECT_FALSE(queue.Queue(upper));
    EXPECT_EQ(list, (QStringList{lower, upper, dotted}));
}

// Relative names are held as full paths (a chooser changing the current folder later
// cannot lose them), and a name that is not UTF-8 is kept by its bytes.
TEST_F(InputQueueTest, NamesAreHeldAsFullPathsByTheirBytes) {
    file("a.bmp");
    file("lat1 \xe9t\xe9.bmp");
    const QString latin1 = NameFromBytes("lat1 \xe9t\xe9.bmp");
    {
        const testutil::InFolder folder(dir.path());
        queue.QueueAll({QStringLiteral("a.bmp"), latin1});
    }
    EXPECT_FALSE(queue.Queue(path("a.bmp")));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(NameBytes(list[0]), (dir / "lat1 \xe9t\xe9.bmp").string().c_str());
    EXPECT_EQ(list[1], path("a.bmp"));
    EXPECT_EQ(queue.DisplayLines()[0], QString::fromUtf8("lat1 \u00e9t\u00e9.bmp"));
    EXPECT_EQ(NameFromBytes("\xc3\xa9t\xc3\xa9"), QString::fromUtf8("\u00e9t\u00e9"));
}

TEST_F(InputQueueTest, LongPathsAreTakenWhole) {
    std::string deep;
    for (int i = 0; i < 6; ++i)
        deep += std::string(60, char('a' + i)) + "/";
    const QString longPath = file(deep + "picture.bmp");
    ASSERT_GT(longPath.size(), 300);
    queue.QueueAll({longPath});
    EXPECT_EQ(list, QStringList{longPath});
}

TEST_F(InputQueueTest, RemoveTakesEverySelectedEntry) {
    list = {"/q/a.bmp", "/q/b.bmp", "/q/c.bmp", "/q/d.bmp", "/q/e.bmp"};
    queue.Remove({0, 2, 3});
    EXPECT_EQ(list, (QStringList{"/q/b.bmp", "/q/e.bmp"}));
    queue.Remove({1, 1, 7, -1});
    EXPECT_EQ(list, QStringList{"/q/b.bmp"});
}

TEST_F(InputQueueTest, ListShowsFileNamesInQueueOrder) {
    list = {"/q/one.bmp", "/q/sub/two.jpg", "three.gif"};
    EXPECT_EQ(queue.DisplayLines(), (QStringList{"one.bmp", "two.jpg", "three.gif"}));
}

TEST_F(InputQueueTest, RemovingTheLastEntryShowsTheHintAndLocksNext) {
    list = {"/q/only.bmp"};
    TSourcePageState filled = queue.SourcePage(false, false);
    EXPECT_TRUE(filled.NextEnabled);
    EXPECT_TRUE(filled.RemoveEnabled);
    EXPECT_TRUE(filled.ListEnabled);

    queue.Remove({0});
    const TSourcePageState empty = queue.SourcePage(false, false);
    EXPECT_EQ(empty.ListLines, QStringList{"Drag file(s) to me or click \"Add\" button"});
    EXPECT_FALSE(empty.NextEnabled);
    EXPECT_FALSE(empty.RemoveEnabled);
    EXPECT_FALSE(empty.ListEnabled);
    EXPECT_TRUE(empty.AddEnabled);
    EXPECT_TRUE(empty.FilePanelVisible);
}

TEST_F(InputQueueTest, ClipboardChoiceNeedsABitmapOnTheClipboard) {
    const TSourcePageState noBitmap = queue.SourcePage(false, true);
    EXPECT_FALSE(noBitmap.ClipboardEnabled);
    EXPECT_FALSE(noBitmap.ClipboardChecked) << "the file source is chosen instead";
    EXPECT_TRUE(noBitmap.FilePanelVisible);
    EXPECT_FALSE(noBitmap.NextEnabled);

    const TSourcePageState bitmap = queue.SourcePage(true, true);
    EXPECT_TRUE(bitmap.ClipboardEnabled);
    EXPECT_TRUE(bitmap.ClipboardChecked);
    EXPECT_FALSE(bitmap.FilePanelVisible);
    EXPECT_TRUE(bitmap.NextEnabled) << "the clipboard needs no queue";

    const TSourcePageState fileChosen = queue.SourcePage(true, false);
    EXPECT_TRUE(fileChosen.ClipboardEnabled);
    EXPECT_FALSE(fileChosen.ClipboardChecked);
    EXPECT_TRUE(fileChosen.FilePanelVisible);
    EXPECT_FALSE(fileChosen.NextEnabled);
}

TEST_F(InputQueueTest, InsertAddsAndDeleteRemoves) {
    EXPECT_EQ(TInputQueue::KeyAction(Qt::Key_Insert), TListKeyAction::Add);
    EXPECT_EQ(TInputQueue::KeyAction(Qt::Key_Delete), TListKeyAction::Remove);
    EXPECT_EQ(TInputQueue::KeyAction(Qt::Key_Backspace), TListKeyAction::None);
    EXPECT_EQ(TInputQueue::KeyAction(Qt::Key_A), TListKeyAction::None);
}

} // namespace
