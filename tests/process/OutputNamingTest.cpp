#include "process/building/OutputNaming.h"

#include "utils/TestUtils.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(OutputFormatTable, RowsInListOrderWithTheirExtensionsAndFilters) {
    const TOutputFormat& ico = OutputFormatAt(0);
    const TOutputFormat& mico = OutputFormatAt(1);
    const TOutputFormat& bmp = OutputFormatAt(2);
    EXPECT_EQ(OutFormatText(ico.Format), QStringLiteral("ICO"));
    EXPECT_STREQ(ico.ComboItem, "Normal Icon");
    EXPECT_STREQ(ico.Extension, ".ico");
    EXPECT_STREQ(ico.Filter, "Normal Icon|*.ico");
    EXPECT_TRUE(ico.ReplaceOffered);
    EXPECT_EQ(OutFormatText(mico.Format), QStringLiteral("MICO"));
    EXPECT_STREQ(mico.ComboItem, "Multi-Resource Icon");
    EXPECT_STREQ(mico.Extension, ".ico");
    EXPECT_STREQ(mico.Filter, "Multi-Resource Icon|*.ico");
    EXPECT_FALSE(mico.ReplaceOffered);
    EXPECT_EQ(OutFormatText(bmp.Format), QStringLiteral("BMP"));
    EXPECT_STREQ(bmp.ComboItem, "Windows Bitmap");
    EXPECT_STREQ(bmp.Extension, ".bmp");
    EXPECT_STREQ(bmp.Filter, "Windows Bitmap|*.bmp");
    EXPECT_TRUE(bmp.ReplaceOffered);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(OutputFormatAt(i).Index, i);
        EXPECT_EQ(&OutputFormatFor(OutputFormatAt(i).Format), &OutputFormatAt(i));
    }
}

TEST(OutputFormatTable, UnknownItemsAreNormalIcon) {
    EXPECT_EQ(OutputFormatAt(-1).Format, TOutFormat::Ico);
    EXPECT_EQ(OutputFormatAt(3).Format, TOutFormat::Ico);
}

TEST(OutputDirectory, GetsExactlyOneTrailingSeparator) {
    EXPECT_EQ(WithTrailingSeparator(QStringLiteral("/data/out")), QStringLiteral("/data/out/"));
    EXPECT_EQ(WithTrailingSeparator(QStringLiteral("/data/out/")), QStringLiteral("/data/out/"));
    EXPECT_EQ(WithTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(WithTrailingSeparator(QStringLiteral("rel")), QStringLiteral("rel/"));
    // A folder given with its separator is left exactly alone, doubled or not.
    EXPECT_EQ(WithTrailingSeparator(QStringLiteral("/a//")), QStringLiteral("/a//"));
    // Applying it again changes nothing.
    const QString once = WithTrailingSeparator(QStringLiteral("/x/y"));
    EXPECT_EQ(WithTrailingSeparator(once), once);
}

TEST(OutputDirectory, EmptyMeansTheCurrentWorkingDirectory) {
    testutil::TempDir dir;
    testutil::InFolder cwd(dir.path());
    const QString expected = QDir::currentPath() + QLatin1Char('/');
    EXPECT_EQ(WithTrailingSeparator(QString()), expected);
    EXPECT_FALSE(expected.endsWith(QStringLiteral("//")));
}

TEST(OutputNames, BaseNameIsCutAtTheFirstDotOfTheFileNameOnly) {
    EXPECT_EQ(BaseNameAtFirstDot(QStringLiteral("/p/my.photo.jpg")), QStringLiteral("my"));
    EXPECT_EQ(BaseNameAtFirstDot(QStringLiteral("/p/noext")), QStringLiteral("noext"));
    // Dots in folder names do not count.
    EXPECT_EQ(BaseNameAtFirstDot(QStringLiteral("/p.q/r.s/name")), QStringLiteral("name"));
    EXPECT_EQ(BaseNameAtFirstDot(QStringLiteral("x.y.ico")), QStringLiteral("x"));
    EXPECT_EQ(BaseNameAtFirstDot(QStringLiteral("/p/.hidden")), QString());
}

TEST(OutputNames, FileSourcesNumberTheImagesOfMultiImageFiles) {
    const QString dir = QStringLiteral("/out/");
    const QString tools = QStringLiteral("/in/tools.ico");
    EXPECT_EQ(SourceOutputPath(dir, tools, 3, 0, QStringLiteral(".bmp")),
              QStringLiteral("/out/tools_1.bmp"));
    EXPECT_EQ(SourceOutputPath(dir, tools, 3, 2, QStringLiteral(".ico")),
              QStringLiteral("/out/tools_3.ico"));
    // One image: no number.
    EXPECT_EQ(SourceOutputPath(dir, tools, 1, 0, QStringLiteral(".ico")),
              QStringLiteral("/out/tools.ico"));
    EXPECT_EQ(
        SourceOutputPath(dir, QStringLiteral("/in/my.photo.jpg"), 1, 0, QStringLiteral(".ico")),
        QStringLiteral("/out/my.ico"));
    EXPECT_EQ(SourceOutputPath(dir, QStringLiteral("/in/big.ico"), 12, 9, QStringLiteral(".ico")),
              QStringLiteral("/out/big_10.ico"));
}

TEST(OutputNames, ClipboardTakesTheFirstFreeNumberOfItsOwnExtension) {
    testutil::TempDir dir;
    const QString out = Q(dir.path()) + QLatin1Char('/');
    EXPECT_EQ(ClipboardOutputPath(out, QStringLiteral(".ico")), out + "clipboard0.ico");

    testutil::writeFile(dir / "clipboard0.ico", {1});
    testutil::writeFile(dir / "clipboard1.ico", {1});
    testutil::writeFile(dir / "clipboard2.bmp", {1});
    std::filesystem::create_directory(dir / "clipboard3.ico");
    // Bitmaps do not count for icons, and a folder of the name is in the way too.
    EXPECT_EQ(ClipboardOutputPath(out, QStringLiteral(".ico")), out + "clipboard2.ico");
    EXPECT_EQ(ClipboardOutputPath(out, QStringLiteral(".bmp")), out + "clipboard0.bmp");
    testutil::writeFile(dir / "clipboard2.ico", {1});
    EXPECT_EQ(ClipboardOutputPath(out, QStringLiteral(".ico")), out + "clipboard4.ico");
}
