#include "process/building/OutputWriter.h"

#include "fakes/FakeWizardView.h"
#include "image/IconLib.h"
#include "image/ImageErrors.h"
#include "image/SafeFile.h"
#include "utils/TestUtils.h"

#include <QDir>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A loaded picture of a file source, as the loader leaves the job.
void LoadedFile(TJobState& job, const QStringList& queue, int fileIndex, int subCount = 1,
                int subIndex = 0) {
    job.InputList = queue;
    job.FileIndex = fileIndex;
    job.SubCount = subCount;
    job.SubIndex = subIndex;
    job.SourceKind = TSourceKind::Jpg;
    if (job.OutFormat != TOutFormat::Mico) job.OutPath.clear();
}

// An icon of size x size at `bits` whose pixel (x, y) has index (x + y) % 8, entry i of the
// palette being colour 0x00102030 * i (entry 0 black), with an empty mask.
void BuiltIcon(TJobState& job, int size, int bits) {
    job.IconSize = size;
    job.IconBPP = bits;
    job.IconMap.Clear();
    job.IconMap.NewImage(size, size, bits);
    for (int i = 0; i < (1 << bits); ++i)
        job.IconMap.SetPaletteColor(static_cast<std::uint8_t>(i), 0x00102030u * (i % 8));
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            job.IconMap.SetPixel(x, y, static_cast<std::uint8_t>((x + y) % 8));
    job.MaskMap.Clear();
    job.MaskMap.NewImage(size, size, 1);
    job.MaskMap.SetPaletteColor(0, 0);
    job.MaskMap.SetPaletteColor(1, 0x00FFFFFF);
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            job.MaskMap.SetPixel(x, y, 0);
}

std::vector<fs::path> Entries(const fs::path& dir) {
    std::vector<fs::path> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Makes every temporary-file write of the safe writer fail like a full disk while alive.
class DiskFull {
public:
    DiskFull()
        : old_(SafeFile::SetWriteHook(
              [](const QString&, std::int64_t, std::int64_t length) { return length / 2; })) {}
    ~DiskFull() { SafeFile::SetWriteHook(old_); }

private:
    SafeFile::WriteHook old_;
};

} // namespace

// --- PrepareOutput ---------------------------------------------------------------------

TEST(PrepareOutput, DoesNothingWithoutAPicture) {
    TJobState job;
    FakeWizardView view;
    job.SourceKind = TSourceKind::None;
    job.OutFormat = TOutFormat::Bmp;
    job.OutPath = QStringLiteral("keep.me");
    job.OutIsDirectory = true;
    EXPECT_FALSE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutFormat, TOutFormat::Bmp);
    EXPECT_EQ(job.OutDir, QString());
    EXPECT_EQ(job.OutPath, QStringLiteral("keep.me"));
    EXPECT_TRUE(job.OutIsDirectory);
    EXPECT_TRUE(view.events.isEmpty());
    EXPECT_TRUE(view.chooserFilter.isEmpty());
}

TEST(PrepareOutput, SetsUpTheSavePageForTheFormat) {
    TJobState job;
    FakeWizardView view;
    view.formatItem = 2;
    LoadedFile(job, {QStringLiteral("/in/a.jpg")}, 0);
    job.OutDir = QStringLiteral("/out");
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(view.formatItem, 0);
    EXPECT_EQ(view.chooserFilter, QStringLiteral("Normal Icon|*.ico"));
    EXPECT_EQ(view.events, QStringList({"SaveControls on", "Progress hidden"}));

    job.OutFormat = TOutFormat::Mico;
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(view.formatItem, 1);
    EXPECT_EQ(view.chooserFilter, QStringLiteral("Multi-Resource Icon|*.ico"));
    job.OutFormat = TOutFormat::Bmp;
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(view.formatItem, 2);
    EXPECT_EQ(view.chooserFilter, QStringLiteral("Windows Bitmap|*.bmp"));
}

TEST(PrepareOutput, NamesEachFileOfTheQueueAfterItsSource) {
    TJobState job;
    FakeWizardView view;
    job.OutDir = QStringLiteral("/D");
    const QStringList queue{QStringLiteral("/in/a.jpg"), QStringLiteral("/x/b.jpg"),
                            QStringLiteral("/y.z/c.gif"), QStringLiteral("/in/my.photo.jpg"),
                            QStringLiteral("/in/noext")};
    const QStringList expected{QStringLiteral("/D/a.ico"), QStringLiteral("/D/b.ico"),
                               QStringLiteral("/D/c.ico"), QStringLiteral("/D/my.ico"),
                               QStringLiteral("/D/noext.ico")};
    for (int i = 0; i < queue.size(); ++i) {
        LoadedFile(job, queue, i);
        ASSERT_TRUE(PrepareOutput(job, view));
        EXPECT_EQ(job.OutPath, expected[i]);
        EXPECT_EQ(job.OutDir, QStringLiteral("/D/"));
    }
}

TEST(PrepareOutput, NumbersTheImagesOfAMultiImageIconFile) {
    for (const TOutFormat format : {TOutFormat::Bmp, TOutFormat::Ico}) {
        TJobState job;
        FakeWizardView view;
        job.OutFormat = format;
        job.OutDir = QStringLiteral("/o/");
        const QString ext =
            job.OutFormat == TOutFormat::Bmp ? QStringLiteral(".bmp") : QStringLiteral(".ico");
        for (int sub = 0; sub < 3; ++sub) {
            LoadedFile(job, {QStringLiteral("/i/tools.ico")}, 0, 3, sub);
            ASSERT_TRUE(PrepareOutput(job, view));
            EXPECT_EQ(job.OutPath, QStringLiteral("/o/tools_%1").arg(sub + 1) + ext);
        }
        LoadedFile(job, {QStringLiteral("/i/one.ico")}, 0, 1, 0);
        ASSERT_TRUE(PrepareOutput(job, view));
        EXPECT_EQ(job.OutPath, QStringLiteral("/o/one") + ext);
    }
}

TEST(PrepareOutput, OutputDirectoryGetsOneSeparatorAndDefaultsToTheCurrentOne) {
    testutil::TempDir dir;
    testutil::InFolder cwd(dir.path());
    TJobState job;
    FakeWizardView view;
    LoadedFile(job, {QStringLiteral("/in/a.jpg")}, 0);
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutDir, QDir::currentPath() + QLatin1Char('/'));
    EXPECT_EQ(job.OutPath, QDir::currentPath() + QStringLiteral("/a.ico"));

    job.OutDir = QStringLiteral("/with/");
    LoadedFile(job, {QStringLiteral("/in/a.jpg")}, 0);
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutDir, QStringLiteral("/with/"));
    ASSERT_TRUE(PrepareOutput(job, view)); // prepared again on Save: still one separator
    EXPECT_EQ(job.OutDir, QStringLiteral("/with/"));
    EXPECT_EQ(job.OutPath, QStringLiteral("/with/a.ico"));
}

TEST(PrepareOutput, AsksForAFolderOnlyInAnAutomaticRunWithoutMultiResource) {
    struct Case {
        bool AutoMode;
        TOutFormat Format;
        bool Expected;
    };
    using enum TOutFormat;
    for (const Case c :
         {Case{true, Ico, true}, Case{true, Bmp, true}, Case{true, Mico, false},
          Case{false, Ico, false}, Case{false, Bmp, false}, Case{false, Mico, false}}) {
        TJobState job;
        FakeWizardView view;
        job.AutoMode = c.AutoMode;
        job.OutFormat = c.Format;
        job.OutDir = QStringLiteral("/o/");
        LoadedFile(job, {QStringLiteral("/in/a.jpg")}, 0);
        ASSERT_TRUE(PrepareOutput(job, view));
        EXPECT_EQ(job.OutIsDirectory, c.Expected)
            << c.AutoMode << " " << OutFormatText(c.Format).toStdString();
    }
}

TEST(PrepareOutput, AGivenNameKeepsItsBaseAndTakesTheFormatsExtension) {
    TJobState job;
    FakeWizardView view;
    job.OutDir = QStringLiteral("/D/");
    LoadedFile(job, {QStringLiteral("/in/a.jpg")}, 0);
    ASSERT_TRUE(PrepareOutput(job, view));
    ASSERT_EQ(job.OutPath, QStringLiteral("/D/a.ico"));
    // The format list changes to "Windows Bitmap": same folder, new extension.
    job.OutFormat = TOutFormat::Bmp;
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, QStringLiteral("/D/a.bmp"));

    // Save with a typed name: the engine has taken the text and its folder.
    job.OutPath = QStringLiteral("/t/x.y.ico");
    job.OutDir = QStringLiteral("/t/");
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, QStringLiteral("/t/x.bmp"));
}

TEST(PrepareOutput, MultiResourceRunsKeepTheFirstPicturesName) {
    TJobState job;
    FakeWizardView view;
    job.OutFormat = TOutFormat::Mico;
    job.OutDir = QStringLiteral("/D/");
    const QStringList queue{QStringLiteral("/in/a.jpg"), QStringLiteral("/in/b.gif")};
    LoadedFile(job, queue, 0);
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, QStringLiteral("/D/a.ico"));
    LoadedFile(job, queue, 1);
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, QStringLiteral("/D/a.ico"));
}

TEST(PrepareOutput, ClipboardPicturesTakeTheFirstFreeClipboardName) {
    testutil::TempDir dir;
    testutil::writeFile(dir / "clipboard0.ico", {0});
    testutil::writeFile(dir / "clipboard1.ico", {0});
    TJobState job;
    FakeWizardView view;
    job.SourceKind = TSourceKind::Clip;
    job.SubCount = 1;
    job.OutDir = Q(dir.path());
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, Q(dir / "clipboard2.ico"));
    job.OutPath.clear();
    job.OutFormat = TOutFormat::Bmp;
    ASSERT_TRUE(PrepareOutput(job, view));
    EXPECT_EQ(job.OutPath, Q(dir / "clipboard0.bmp"));
}

// --- WriteOutput -----------------------------------------------------------------------

TEST(WriteOutput, WritesNothingWithoutAPicture) {
    testutil::TempDir dir;
    TJobState job;
    BuiltIcon(job, 32, 8);
    job.SourceKind = TSourceKind::None;
    job.OutPath = Q(dir / "a.ico");
    EXPECT_EQ(WriteOutput(job, true), TWriteResult::Nothing);
    EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(WriteOutput, MaskedPixelsAreWrittenWithIndexZeroInIconsAndBitmaps) {
    for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Bmp, TOutFormat::Mico}) {
        testutil::TempDir dir;
        TJobState job;
        job.SourceKind = TSourceKind::Bmp;
        job.OutFormat = format;
        BuiltIcon(job, 16, 4);
        job.IconMap.SetPixel(3, 4, 7);
        job.MaskMap.SetPixel(3, 4, 1);
        job.MaskMap.SetPixel(15, 15, 1);
        job.OutPath = Q(dir / (job.OutFormat == TOutFormat::Bmp ? "a.bmp" : "a.ico"));
        ASSERT_EQ(WriteOutput(job, true), TWriteResult::Written)
            << OutFormatText(format).toStdString();

        TPxlMap color{};
        TPxlMap mask{};
        if (job.OutFormat == TOutFormat::Bmp) {
            ASSERT_TRUE(color.LoadFromBMP(job.OutPath));
        } else {
            ASSERT_EQ(ReadIconImage(job.OutPath, 0, color, mask), 1);
            EXPECT_EQ(mask.GetPixel(3, 4), 1);
            EXPECT_EQ(mask.GetPixel(15, 15), 1);
            EXPECT_EQ(mask.GetPixel(2, 4), 0);
        }
        ASSERT_EQ(color.GetBitCount(), 4);
        EXPECT_EQ(color.GetPixel(3, 4), 0) << OutFormatText(format).toStdString();
        EXPECT_EQ(color.GetPixel(15, 15), 0) << OutFormatText(format).toStdString();
        EXPECT_EQ(color.GetPixel(2, 4), 6)
            << OutFormatText(format).toStdString(); // unmasked pixels keep their index
        EXPECT_EQ(color.GetPixel(4, 4), 0)
            << OutFormatText(format).toStdString(); // (4 + 4) % 8: index 0 by itself
        EXPECT_EQ(color.GetPixel(5, 4), 1) << OutFormatText(format).toStdString();
        EXPECT_EQ(color.GetPaletteColor(0), 0u);
    }
}

TEST(WriteOutput, NormalIconReplacesAnyFileWithAOneImageIcon) {
    testutil::TempDir dir;
    const QString path = Q(dir / "a.ico");
    TJobState job;
    job.SourceKind = TSourceKind::Ico;
    BuiltIcon(job, 16, 8);
    for (int i = 0; i < 3; ++i)
        WriteIconImage(path, -1, job.IconMap, job.MaskMap);
    TPxlMap color{};
    TPxlMap mask{};
    ASSERT_EQ(ReadIconImage(path, 0, color, mask), 3);

    BuiltIcon(job, 32, 4);
    job.OutPath = path;
    ASSERT_EQ(WriteOutput(job, true), TWriteResult::Written);
    const auto bytes = testutil::readFile(dir / "a.ico");
    // Header 0, 1, 1; one 32 x 32 4-bit image of 744 bytes at offset 22.
    ASSERT_EQ(bytes.size(), 766u);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[6], 32);
    EXPECT_EQ(bytes[18], 22);
    EXPECT_EQ(Entries(dir.path()), std::vector<fs::path>{"a.ico"});
}

TEST(WriteOutput, ReplaceOffLeavesExistingFilesAlone) {
    for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Bmp}) {
        testutil::TempDir dir;
        TJobState job;
        job.SourceKind = TSourceKind::Gif;
        job.OutFormat = format;
        BuiltIcon(job, 32, 8);
        const std::vector<std::uint8_t> old{'o', 'l', 'd'};
        testutil::writeFile(dir / "a.out", old);
        job.OutPath = Q(dir / "a.out");
        EXPECT_EQ(WriteOutput(job, false), TWriteResult::KeptExisting)
            << OutFormatText(format).toStdString();
        EXPECT_EQ(testutil::readFile(dir / "a.out"), old);

        // A link to nowhere is no file to keep: an error, and the link stays.
        fs::create_symlink(dir / "nowhere", dir / "link.out");
        job.OutPath = Q(dir / "link.out");
        EXPECT_THROW(WriteOutput(job, false), EInOutError) << OutFormatText(format).toStdString();
        EXPECT_TRUE(fs::is_symlink(dir / "link.out"));

        job.OutPath = Q(dir / "b.out");
        EXPECT_EQ(WriteOutput(job, false), TWriteResult::Written)
            << OutFormatText(format).toStdString();
        EXPECT_EQ(testutil::readFile(dir / "b.out").size(),
                  job.OutFormat == TOutFormat::Bmp ? 2102u : 2238u);
    }
}

TEST(WriteOutput, MultiResourceAppendsToTheFileWhateverReplaceSays) {
    testutil::TempDir dir;
    const QString path = Q(dir / "a.ico");
    TJobState job;
    job.SourceKind = TSourceKind::Jpg;
    job.OutFormat = TOutFormat::Mico;
    job.OutPath = path;
    BuiltIcon(job, 16, 4);
    WriteIconImage(path, 0, job.IconMap, job.MaskMap);
    const auto first = testutil::readFile(dir / "a.ico");

    BuiltIcon(job, 32, 8);
    EXPECT_EQ(WriteOutput(job, false), TWriteResult::Written);
    BuiltIcon(job, 48, 4);
    EXPECT_EQ(WriteOutput(job, true), TWriteResult::Written);

    TPxlMap color{};
    TPxlMap mask{};
    ASSERT_EQ(ReadIconImage(path, 2, color, mask), 3);
    EXPECT_EQ(color.GetWidth(), 48);
    const auto bytes = testutil::readFile(dir / "a.ico");
    ASSERT_EQ(bytes.size(), 6u + 3 * 16 + 296 + 2216 + 1640);
    // The first image's data moved down by two directory entries, unchanged.
    EXPECT_TRUE(std::equal(first.begin() + 22, first.end(), bytes.begin() + 54));
}

TEST(WriteOutput, AFolderThatCannotHoldFilesGivesAnErrorNamingThePath) {
    testutil::TempDir dir;
    testutil::writeFile(dir / "plain", {1, 2, 3});
    for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Bmp, TOutFormat::Mico}) {
        TJobState job;
        job.SourceKind = TSourceKind::Bmp;
        job.OutFormat = format;
        BuiltIcon(job, 32, 8);
        job.OutPath = Q(dir / "plain" / "a.ico");
        try {
            WriteOutput(job, true);
            ADD_FAILURE() << OutFormatText(format).toStdString() << ": no error";
        } catch (const EInOutError& e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.contains(job.OutPath)) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("Not a directory"))) << text.toStdString();
        }
    }
    EXPECT_EQ(testutil::readFile(dir / "plain"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(WriteOutput, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Bmp, TOutFormat::Mico}) {
        testutil::TempDir dir;
        TJobState job;
        job.SourceKind = TSourceKind::Jpg;
        job.OutFormat = format;
        BuiltIcon(job, 16, 8);
        job.OutPath = Q(dir / "a.out");
        WriteIconImage(job.OutPath, 0, job.IconMap, job.MaskMap);
        const auto old = testutil::readFile(dir / "a.out");

        BuiltIcon(job, 48, 8);
        {
            DiskFull full;
            try {
                WriteOutput(job, true);
                ADD_FAILURE() << OutFormatText(format).toStdString() << ": no error";
            } catch (const EInOutError& e) {
                const QString text = QString::fromUtf8(e.what());
                EXPECT_TRUE(text.contains(job.OutPath)) << text.toStdString();
                EXPECT_TRUE(text.contains(QStringLiteral("No space left"))) << text.toStdString();
            }
        }
        EXPECT_EQ(testutil::readFile(dir / "a.out"), old) << OutFormatText(format).toStdString();
        EXPECT_EQ(Entries(dir.path()), std::vector<fs::path>{"a.out"})
            << OutFormatText(format).toStdString();
    }
}

TEST(WriteOutput, ExtendingAFileThatIsNoIconNamesTheFile) {
    testutil::TempDir dir;
    const std::vector<std::uint8_t> junk{'n', 'o'};
    testutil::writeFile(dir / "a.ico", junk);
    TJobState job;
    job.SourceKind = TSourceKind::Jpg;
    job.OutFormat = TOutFormat::Mico;
    BuiltIcon(job, 32, 8);
    job.OutPath = Q(dir / "a.ico");
    try {
        WriteOutput(job, true);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidIcon& e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.contains(job.OutPath)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Icon file is not valid")));
    }
    EXPECT_EQ(testutil::readFile(dir / "a.ico"), junk);
    EXPECT_EQ(Entries(dir.path()), std::vector<fs::path>{"a.ico"});
}

TEST(WriteOutput, AnIncompleteIconImageIsAnErrorNotASilentSkip) {
    testutil::TempDir dir;
    TJobState job;
    job.SourceKind = TSourceKind::Jpg;
    BuiltIcon(job, 32, 8);
    job.MaskMap.Clear();
    job.MaskMap.NewImage(16, 16, 1);
    job.OutPath = Q(dir / "a.ico");
    EXPECT_THROW(WriteOutput(job, true), EInOutError);
    job.OutFormat = TOutFormat::Mico;
    EXPECT_THROW(WriteOutput(job, true), EInOutError);
    EXPECT_TRUE(Entries(dir.path()).empty());

    // Replace off keeps a file whatever the picture, but a folder is no file to keep.
    job.OutFormat = TOutFormat::Ico;
    testutil::writeFile(dir / "a.ico", {1});
    EXPECT_EQ(WriteOutput(job, false), TWriteResult::KeptExisting);
    fs::remove(dir / "a.ico");
    fs::create_directory(dir / "a.ico");
    BuiltIcon(job, 32, 8);
    EXPECT_THROW(WriteOutput(job, false), EInOutError);
}
