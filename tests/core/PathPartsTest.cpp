#include "core/PathParts.h"

#include <gtest/gtest.h>

TEST(PathParts, SplitAtTheLastSeparator) {
    EXPECT_EQ(FileNamePart(QStringLiteral("/a/b.c/d.e.f")), QStringLiteral("d.e.f"));
    EXPECT_EQ(FolderPart(QStringLiteral("/a/b.c/d.e.f")), QStringLiteral("/a/b.c/"));
    EXPECT_EQ(FileNamePart(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(FolderPart(QStringLiteral("plain")), QString());
    EXPECT_EQ(FileNamePart(QStringLiteral("/dir/")), QString());
    EXPECT_EQ(FolderPart(QStringLiteral("/dir/")), QStringLiteral("/dir/"));
}
