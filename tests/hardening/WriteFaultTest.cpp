// Faults while tessaly-convert writes: a folder that cannot be written, a disk that fills
// up part-way, a folder where the file should be, and a multi-resource icon that is not an
// icon file. Whatever the fault: the file that was there stays byte for byte, no temporary
// file is left, the error names the path and the reason (exit status 3), and the same run
// succeeds once the fault is gone.
#include "HardeningSupport.h"

#include "image/IconLib.h"
#include "image/SafeFile.h"
#include "utils/TestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;
using hardening::Bytes;
using hardening::Convert;
using hardening::ConvertResult;
using hardening::Snapshot;
using testutil::Contains;

namespace {

// Sets the safe writer's disk: each temporary file takes `room` bytes, then is full.
class DiskWithRoom {
public:
    explicit DiskWithRoom(std::int64_t room)
        : previous_(SafeFile::SetWriteHook(
              [room](const QString&, std::int64_t offset, std::int64_t length) {
                  return std::clamp<std::int64_t>(room - offset, 0, length);
              })) {}
    ~DiskWithRoom() { SafeFile::SetWriteHook(previous_); }
    DiskWithRoom(const DiskWithRoom&) = delete;
    DiskWithRoom& operator=(const DiskWithRoom&) = delete;

private:
    SafeFile::WriteHook previous_;
};

// A folder in which nothing can be created, removed or renamed, root included (the
// immutable attribute). Released when the guard goes.
class LockedFolder {
public:
    explicit LockedFolder(fs::path dir) : dir_(std::move(dir)) {
        locked_ =
            testutil::runCommand("chattr +i " + testutil::shellQuote(dir_.string())).exitCode == 0;
    }
    ~LockedFolder() { Unlock(); }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;
    bool Locked() const { return locked_; }
    void Unlock() {
        if (locked_) testutil::runCommand("chattr -i " + testutil::shellQuote(dir_.string()));
        locked_ = false;
    }

private:
    fs::path dir_;
    bool locked_ = false;
};

// A small file system of its own (tmpfs), so that a write really runs out of space.
class SmallDisk {
public:
    SmallDisk(fs::path dir, int kib) : dir_(std::move(dir)) {
        fs::create_directories(dir_);
        mounted_ = testutil::runCommand("mount -t tmpfs -o size=" + std::to_string(kib) +
                                        "k tmpfs " + testutil::shellQuote(dir_.string()))
                       .exitCode == 0;
    }
    ~SmallDisk() {
        // A lazy unmount when the plain one is refused, so no mount outlives the test.
        const std::string dir = testutil::shellQuote(dir_.string());
        if (mounted_) testutil::runCommand("umount " + dir + " || umount -l " + dir);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return mounted_; }

    // Fills the disk with one file, then gives back `free` bytes of it.
    void FillLeaving(std::uintmax_t free) {
        const fs::path filler = dir_ / "filler";
        {
            std::ofstream out(filler, std::ios::binary);
            const std::string block(4096, 'f');
            while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
                out.flush();
        }
        const std::uintmax_t size = fs::file_size(filler);
        fs::resize_file(filler, size > free ? size - free : 0);
    }
    void Empty() { fs::remove(dir_ / "filler"); }

private:
    fs::path dir_;
    bool mounted_ = false;
};

class WriteFault : public ::testing::Test {
protected:
    void SetUp() override {
        hardening::WritePicture(tmp_ / "a.bmp", 20, 14);
        hardening::WritePicture(tmp_ / "b.bmp", 30, 30);
        out_ = tmp_ / "out";
        fs::create_directory(out_);
    }

    std::string Src(const char* name) const { return (tmp_ / name).string(); }

    // Earlier outputs of each format in the output folder: a.ico and a.bmp at 16 x 16,
    // all.ico holding two images.
    void EarlierOutputs() {
        ASSERT_EQ(Convert({"-s", "16", "-o", out_.string(), Src("a.bmp")}).ExitCode, 0);
        ASSERT_EQ(Convert({"-s", "16", "-f", "bmp", "-o", out_.string(), Src("a.bmp")}).ExitCode,
                  0);
        ASSERT_EQ(
            Convert({"-f", "mico", "-o", (out_ / "all.ico").string(), Src("a.bmp"), Src("b.bmp")})
                .ExitCode,
            0);
    }

    // The runs each fault is tried with: a new 48 x 48 icon over a.ico, a bitmap over
    // a.bmp, one more image appended to all.ico.
    std::vector<std::vector<std::string>> Runs() const {
        return {
            {"-s", "48", "-f", "ico", "-o", out_.string(), Src("a.bmp")},
            {"-s", "48", "-f", "bmp", "-o", out_.string(), Src("a.bmp")},
            {"-s", "48", "-f", "mico", "-o", (out_ / "all.ico").string(), Src("b.bmp")},
        };
    }
    static std::string Target(const std::vector<std::string>& run, const fs::path& out) {
        if (run[3] == "bmp") return (out / "a.bmp").string();
        if (run[3] == "mico") return (out / "all.ico").string();
        return (out / "a.ico").string();
    }

    // The run failed as it must: status 3, the target's path and the reason in the error
    // output, nothing written to standard output, the folder exactly as before.
    void ExpectRefused(const ConvertResult& r, const std::string& target, const std::string& reason,
                       const std::map<std::string, Bytes>& before) {
        EXPECT_EQ(r.ExitCode, 3) << r.Err;
        EXPECT_TRUE(Contains(r.Err, target)) << r.Err;
        EXPECT_TRUE(Contains(r.Err, reason)) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(Snapshot(out_), before);
    }

    // The run succeeds and its target is what that run writes.
    void ExpectWritten(const std::vector<std::string>& run, const std::string& target) {
        const ConvertResult r = Convert(run);
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out, target + "\n");
        TPxlMap color{}, mask{};
        if (run[3] == "bmp") {
            EXPECT_TRUE(color.LoadFromBMP(Q(target)));
        } else {
            const std::int32_t count = ReadIconImage(Q(target), 0, color, mask);
            EXPECT_EQ(count, run[3] == "mico" ? 3 : 1);
            if (run[3] == "mico") ReadIconImage(Q(target), 2, color, mask);
        }
        EXPECT_EQ(color.Width, 48);
    }

    testutil::TempDir tmp_;
    fs::path out_;
};

} // namespace

TEST_F(WriteFault, AFolderThatCannotBeWrittenKeepsEveryFile) {
    EarlierOutputs();
    const auto before = Snapshot(out_);
    for (const auto& run : Runs()) {
        SCOPED_TRACE(run[3]);
        LockedFolder lock(out_);
        if (!lock.Locked()) GTEST_SKIP() << "chattr cannot lock a folder here";
        ExpectRefused(Convert(run), Target(run, out_), "Operation not permitted", before);
        lock.Unlock();
        ExpectWritten(run, Target(run, out_));
        // Back to the earlier files for the next run.
        fs::remove_all(out_);
        fs::create_directory(out_);
        EarlierOutputs();
    }
}

TEST_F(WriteFault, ADiskFullPartWayKeepsTheOldFile) {
    EarlierOutputs();
    const auto before = Snapshot(out_);
    // The new files are 3774, 3382 and 8238 bytes long; the disk takes none, 1000 or 3000
    // bytes of them.
    for (const auto& run : Runs()) {
        for (std::int64_t room : {0, 1000, 3000}) {
            SCOPED_TRACE(run[3] + " " + std::to_string(room));
            DiskWithRoom disk(room);
            ExpectRefused(Convert(run), Target(run, out_), "No space left on device", before);
        }
    }
    for (const auto& run : Runs()) {
        SCOPED_TRACE(run[3]);
        ExpectWritten(run, Target(run, out_));
    }
}

TEST_F(WriteFault, ARealDiskThatFillsUpKeepsTheOldFile) {
    const fs::path small = tmp_ / "small";
    SmallDisk disk(small, 64);
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    out_ = small / "out";
    fs::create_directory(out_);
    EarlierOutputs();
    const auto before = Snapshot(out_);
    // The file system hands out whole pages. With one page left the multi-resource icon
    // (8238 bytes) fills it and fails part-way; the single icon and the bitmap would fit
    // in a page, so they meet a disk with no room left at all.
    for (const auto& run : Runs()) {
        SCOPED_TRACE(run[3]);
        disk.FillLeaving(run[3] == "mico" ? 4096 : 0);
        const auto beforeWithFiller = Snapshot(small);
        const ConvertResult r = Convert(run);
        EXPECT_EQ(r.ExitCode, 3) << r.Err;
        EXPECT_TRUE(Contains(r.Err, Target(run, out_))) << r.Err;
        EXPECT_TRUE(Contains(r.Err, "No space left on device")) << r.Err;
        EXPECT_EQ(Snapshot(small), beforeWithFiller);
    }
    disk.Empty();
    EXPECT_EQ(Snapshot(out_), before);
    for (const auto& run : Runs()) {
        SCOPED_TRACE(run[3]);
        ExpectWritten(run, Target(run, out_));
    }
}

TEST_F(WriteFault, AFolderWhereTheFileShouldBeIsLeftAlone) {
    for (const auto& run : Runs()) {
        SCOPED_TRACE(run[3]);
        const std::string target = Target(run, out_);
        fs::create_directory(target);
        testutil::writeFile(fs::path(target) / "inside.txt", {'k', 'e', 'e', 'p'});
        const auto before = Snapshot(out_);
        const ConvertResult r = Convert(run);
        ExpectRefused(r, target, "", before);
        EXPECT_TRUE(Contains(r.Err, "directory")) << r.Err;
        fs::remove_all(target);
        // The multi-resource run appends: with the folder gone it starts a new file.
        const ConvertResult again = Convert(run);
        EXPECT_EQ(again.ExitCode, 0) << again.Err;
        EXPECT_EQ(again.Out, target + "\n");
        TPxlMap color{}, mask{};
        if (run[3] == "bmp")
            EXPECT_TRUE(color.LoadFromBMP(Q(target)));
        else
            EXPECT_EQ(ReadIconImage(Q(target), 0, color, mask), 1);
        EXPECT_EQ(color.Width, 48);
        fs::remove(target);
    }
}

TEST_F(WriteFault, AMultiResourceIconThatIsNoIconFileIsNotExtended) {
    const fs::path all = out_ / "all.ico";
    const std::vector<std::string> run{"-s", "48", "-f", "mico", "-o", all.string(), Src("b.bmp")};
    ASSERT_EQ(Convert({"-f", "mico", "-o", all.string(), Src("a.bmp"), Src("b.bmp")}).ExitCode, 0);
    const Bytes icon = testutil::readFile(all);

    Bytes cut(icon.begin(), icon.end() - 100); // the second image's end is missing
    Bytes claimsMore = icon;                   // the directory lists 300 images
    claimsMore[4] = 300 & 0xFF;
    claimsMore[5] = 300 >> 8;
    const std::vector<std::pair<Bytes, std::string>> damaged = {
        {{0, 0, 1}, "Icon file is not valid"},
        {{'<', 'h', 't', 'm', 'l', '>', ' ', 'n', 'o', 't', ' ', 'f', 'o', 'u', 'n', 'd'},
         "the directory runs past the end of the file"},
        {cut, "an image runs past the end of the file"},
        {claimsMore, "the directory runs past the end of the file"},
    };
    for (const auto& [bytes, reason] : damaged) {
        SCOPED_TRACE(reason + " " + std::to_string(bytes.size()));
        testutil::writeFile(all, bytes);
        const auto before = Snapshot(out_);
        ExpectRefused(Convert(run), all.string(), reason, before);
    }
    // With a sound icon file in its place the image is appended.
    testutil::writeFile(all, icon);
    ExpectWritten(run, all.string());
}
