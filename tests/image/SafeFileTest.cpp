#include "image/SafeFile.h"
#include "ImageTestSupport.h"
#include "image/ImageErrors.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

QByteArray Content(int size, char seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7);
    return bytes;
}

Bytes AsBytes(const QByteArray& bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

std::size_t Entries(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Restores the previous hook however the test ends.
struct HookGuard {
    explicit HookGuard(SafeFile::WriteHook hook)
        : previous(SafeFile::SetWriteHook(std::move(hook))) {}
    ~HookGuard() { SafeFile::SetWriteHook(previous); }
    SafeFile::WriteHook previous;
};

TEST(SafeFile, WritesNewAndReplacesExistingFiles) {
    testutil::TempDir dir;
    const QByteArray first = Content(300000, 'a');
    SafeFile::Write(Q(dir / "f.bin"), first);
    EXPECT_EQ(testutil::readFile(dir / "f.bin"), AsBytes(first));
    EXPECT_EQ(Entries(dir.path()), 1u);

    fs::permissions(dir / "f.bin",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const QByteArray second = Content(10, 'z');
    SafeFile::Write(Q(dir / "f.bin"), second);
    EXPECT_EQ(testutil::readFile(dir / "f.bin"), AsBytes(second));
    EXPECT_EQ(fs::status(dir / "f.bin").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Entries(dir.path()), 1u);

    SafeFile::Write(Q(dir / "empty.bin"), QByteArray());
    EXPECT_TRUE(testutil::readFile(dir / "empty.bin").empty());
}

TEST(SafeFile, FullDiskPartWayLeavesTheOldFile) {
    testutil::TempDir dir;
    const QByteArray old = Content(1000, 'o');
    SafeFile::Write(Q(dir / "t.bin"), old);
    for (std::int64_t failAt : {0, 65536, 131072 + 5}) {
        SCOPED_TRACE(failAt);
        QString seenPath;
        std::int64_t written = 0;
        HookGuard guard([&](const QString& path, std::int64_t offset, std::int64_t length) {
            seenPath = path;
            const std::int64_t room = failAt - offset;
            const std::int64_t accepted = room >= length ? length : std::max<std::int64_t>(room, 0);
            written += accepted;
            return accepted;
        });
        try {
            SafeFile::Write(Q(dir / "t.bin"), Content(200000, 'n'));
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find((dir / "t.bin").string() + ": "), std::string::npos) << message;
            EXPECT_EQ(message.find(".tmp"), std::string::npos) << message;
            EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
        }
        EXPECT_EQ(written, failAt);
        EXPECT_TRUE(seenPath.startsWith(Q(dir.path())));
        EXPECT_EQ(testutil::readFile(dir / "t.bin"), AsBytes(old));
        EXPECT_EQ(Entries(dir.path()), 1u);
    }
    // Without the hook the same write goes through.
    SafeFile::Write(Q(dir / "t.bin"), Content(200000, 'n'));
    EXPECT_EQ(testutil::readFile(dir / "t.bin").size(), 200000u);
}

TEST(SafeFile, FailuresNameThePathAndRemoveTheTemporaryFile) {
    testutil::TempDir dir;
    fs::create_directory(dir / "busy");
    testutil::writeFile(dir / "busy" / "a", {4});
    try {
        SafeFile::Write(Q(dir / "busy"), Content(10, 'b'));
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find((dir / "busy").string()), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testutil::readFile(dir / "busy" / "a"), Bytes{4});

    try {
        SafeFile::Write(Q(dir / "gone" / "f"), Content(10, 'b'));
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find((dir / "gone").string()), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(Entries(dir.path()), 1u);
}

} // namespace

// A file written ahead is put in place only when it holds the very bytes asked for, in
// the target's folder; anything else is written anew, and no temporary file outlives its
// use. Everything is on the disk once the flusher is gone.
TEST(SafeFile, StagedFilesAreCommittedOnlyForTheirOwnBytes) {
    testutil::TempDir dir;
    fs::create_directory(dir / "other");
    const QByteArray bytes = Content(5000, 's');
    {
        auto flusher = std::make_shared<DiskFlusher>();
        testutil::writeFile(dir / "kept.bin", {1});
        StagedFile staged = SafeFile::Stage(Q(dir.path()), bytes, flusher);
        ASSERT_TRUE(staged.IsValid());
        EXPECT_EQ(Entries(dir.path()), 2u); // the folder and the old file: staged has no name
        SafeFile::WriteOrCommit(Q(dir / "kept.bin"), bytes, &staged);
        EXPECT_FALSE(staged.IsValid());
        EXPECT_EQ(testutil::readFile(dir / "kept.bin"), AsBytes(bytes));

        // Other bytes, or another folder: written the usual way, the staged file removed.
        for (const fs::path& target : {dir / "changed.bin", dir / "other" / "moved.bin"}) {
            StagedFile stale = SafeFile::Stage(Q(dir.path()), bytes, flusher);
            SafeFile::WriteOrCommit(Q(target), Content(10, 'x'), &stale);
            EXPECT_EQ(testutil::readFile(target), AsBytes(Content(10, 'x')));
        }
        { StagedFile unused = SafeFile::Stage(Q(dir.path()), bytes); }
        EXPECT_EQ(Entries(dir.path()), 3u);
        EXPECT_EQ(Entries(dir / "other"), 1u);
    }
    // Nowhere to stage, or a hook to be told of every block: nothing is staged, and the
    // write itself reports what went wrong.
    EXPECT_FALSE(SafeFile::Stage(Q(dir / "missing"), bytes).IsValid());
    StagedFile none;
    EXPECT_THROW(SafeFile::WriteOrCommit(Q(dir / "missing" / "f.bin"), bytes, &none), EInOutError);
    HookGuard hook([](const QString&, std::int64_t, std::int64_t length) { return length; });
    EXPECT_FALSE(SafeFile::Stage(Q(dir.path()), bytes).IsValid());
}
