#include "process/pages/ChooserRules.h"

#include <gtest/gtest.h>

namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

} // namespace

TEST(ChooserRules, TypedTextsAnswersAndOk) {
    const TTypedPath full = SplitTypedPath(QStringLiteral("/home/ann/icons/new.ico"));
    EXPECT_EQ(S(full.Drive), "");
    EXPECT_EQ(S(full.Folder), "/home/ann/icons/");
    EXPECT_EQ(S(full.Name), "new.ico");

    const QString folder = QStringLiteral("/home/ann");
    EXPECT_EQ(S(AnswerForTypedName(QStringLiteral("new.ico"), folder)), "/home/ann/new.ico");
    EXPECT_EQ(S(AnswerForTypedName(QStringLiteral("new.ico"), QStringLiteral("/"))), "/new.ico");
    EXPECT_EQ(S(AnswerForTypedName(QStringLiteral("sub/new.ico"), folder)), "");
    EXPECT_EQ(S(AnswerForTypedName(QStringLiteral("*.bmp"), folder)), "");
    EXPECT_EQ(S(AnswerForTypedName(QStringLiteral("new.ico"), QString())), "");

    EXPECT_EQ(S(FolderAnswer(QStringLiteral("/home/ann/"))), "/home/ann");
    EXPECT_EQ(S(FolderAnswer(QStringLiteral("/"))), "/");

    EXPECT_TRUE(ChooserOkEnabled(TChooserType::Save, QStringLiteral("/a/b.ico"), false));
    EXPECT_FALSE(ChooserOkEnabled(TChooserType::Save, QStringLiteral("/a/*.ico"), false));
    EXPECT_FALSE(ChooserOkEnabled(TChooserType::Open, QStringLiteral("/a/b.ico"), false));
    EXPECT_TRUE(ChooserOkEnabled(TChooserType::Open, QStringLiteral("/a/b.ico"), true));
    EXPECT_FALSE(ChooserOkEnabled(TChooserType::Directory, QString(), false));

    EXPECT_EQ(S(ChooserCaption(QString(), TChooserType::Save)), "Save");
}

TEST(ChooserRules, FiltersMasksAndDrives) {
    const QList<TFilterEntry> two = ParseFilter(QStringLiteral("Normal Icon|*.ico|Bitmap|*.bmp"));
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(S(two[1].Description), "Bitmap");
    EXPECT_EQ(S(two[1].Mask), "*.bmp");
    EXPECT_EQ(S(ParseFilter(QString()).front().Description), "All files (*.*)");
    EXPECT_EQ(ClampedFilterIndex(1, 1), 0);
    EXPECT_EQ(S(NameFiltersOf(QStringLiteral("*.*")).join('|')), "*");
    EXPECT_EQ(S(NameFiltersOf(QStringLiteral("*.ico; *.cur")).join('|')), "*.ico|*.cur");

    const QStringList roots = DriveRoots({{QStringLiteral("/media/usb"), QStringLiteral("vfat")},
                                          {QStringLiteral("/proc"), QStringLiteral("proc")},
                                          {QStringLiteral("/"), QStringLiteral("ext4")},
                                          {QStringLiteral("/home"), QStringLiteral("ext4")},
                                          {QStringLiteral("/home"), QStringLiteral("ext4")}});
    EXPECT_EQ(S(roots.join('|')), "/|/home|/media/usb");
    EXPECT_EQ(S(DriveOf(QStringLiteral("/home/ann"), roots)), "/home");
    EXPECT_EQ(S(DriveOf(QStringLiteral("/homeless"), roots)), "/");
}
