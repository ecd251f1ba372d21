#include "cli/ConvertRun.h"

#include "cli/ConvertView.h"
#include "core/InputQueue.h"
#include "core/JobState.h"
#include "core/PathParts.h"
#include "core/StepEngine.h"
#include "image/FileNames.h"
#include "image/IconLib.h"
#include "image/SystemFiles.h"
#include "process/building/JobProcessor.h"
#include "process/building/OutputNaming.h"
#include "process/building/PicturePipeline.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>

#ifdef __GLIBC__
#include <malloc.h>
#include <sys/resource.h>
#endif
#ifndef _WIN32
#include <unistd.h>
#else
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#endif

namespace {

// Messages show a name that is not UTF-8 readably (image/FileNames.h).
void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", ReadableName(text).toLocal8Bit().constData());
    std::fflush(stream);
}

// A written file's name: by its bytes, so that a script reading the list gets the very
// file, but readably on a terminal.
void PrintPath(std::FILE* stream, const QString& path) {
    if (isatty(fileno(stream))) return PrintLine(stream, path);
    std::fprintf(stream, "%s\n", NameBytes(path).constData());
    std::fflush(stream);
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString Program() {
    return QLatin1String(kConvertProgram);
}

// Why the queue refused a path (it refuses silently; the converter says why).
QString RefusalReason(const QString& path, const QStringList& queued) {
    if (!ExistsNamed(path)) return QStringLiteral("no such file");
    if (IsFolderNamed(path)) return QStringLiteral("is a folder");
    if (queued.contains(AbsoluteName(path))) return QStringLiteral("given more than once");
    return QStringLiteral("not a BMP, JPEG, GIF, ICO, PNG or SVG file");
}

// What is wrong with --output, empty when nothing: it names a folder for Ico and Bmp,
// a file in a folder for Mico. Folders are never made for the user, so one that is not
// there ends the run before it starts.
QString OutputProblem(const TConvertOptions& options) {
    if (!options.OutputGiven) return {};
    QString folder =
        options.Format == TOutFormat::Mico ? FolderPart(options.Output) : options.Output;
    while (folder.size() > 1 && folder.endsWith(PathSeparator()))
        folder.chop(1);
    if (folder.isEmpty()) return {};
    if (IsFolderNamed(folder)) return {};
    return QStringLiteral("output folder %1 %2")
        .arg(Native(folder), ExistsNamed(folder) ? QStringLiteral("is not a folder")
                                                 : QStringLiteral("does not exist"));
}

// The current file as it was given (the queue holds it as a full path).
QString GivenName(const TJobState& job, const QStringList& given) {
    if (job.FileIndex < 0 || job.FileIndex >= given.size()) return {};
    return Native(given[job.FileIndex]);
}

// The current picture as the messages name it.
QString CurrentPicture(const TJobState& job, const QStringList& given) {
    QString name = GivenName(job, given);
    if (name.isEmpty()) return {};
    if (job.SubCount > 1) name += QStringLiteral(" (image %1)").arg(job.SubIndex + 1);
    return name;
}

// How many pictures a queued file holds: an icon file's image count, one otherwise.
int PicturesIn(const QString& path) {
    if (!path.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive)) return 1;
    try {
        TPxlMap color{};
        TPxlMap mask{};
        return std::max(1, static_cast<int>(ReadIconImage(path, 0, color, mask)));
    } catch (const std::runtime_error&) {
        return 1;
    }
}

// The pictures a stopped run leaves unconverted: the current one, the rest of its icon
// file and every picture of the files after it.
int PicturesLeft(const TJobState& job) {
    int left = 1;
    if (job.SubCount > 1) left += std::max(0, job.SubCount - 1 - job.SubIndex);
    for (qsizetype i = job.FileIndex + 1; i < job.InputList.size(); ++i)
        left += PicturesIn(job.InputList[i]);
    return left;
}

// The folder the run's files go to: the given folder, the given multi-resource icon's
// folder, or the current one.
QString OutputFolder(const TConvertOptions& options) {
    if (!options.OutputGiven) return QStringLiteral(".");
    return options.Format == TOutFormat::Mico ? QFileInfo(options.Output).path() : options.Output;
}

// Whether a picture of the run may be a file the run writes, read before or after that
// write depending on the order of the work. Every output goes to one folder with the
// format's extension, so an input with that extension in that folder (by its own path or
// where a link leads) may be one; a folder that cannot be resolved may hold any of them.
bool MayReadWhatItWrites(const TConvertOptions& options, const QStringList& pictures) {
    const QString extension =
        options.Format == TOutFormat::Bmp ? QStringLiteral("bmp") : QStringLiteral("ico");
    const QString outFolder = QFileInfo(OutputFolder(options)).canonicalFilePath();
    for (const QString& picture : pictures) {
        const QFileInfo given(picture);
        for (const QFileInfo& file : {given, QFileInfo(given.canonicalFilePath())}) {
            if (file.suffix().compare(extension, Qt::CaseInsensitive) != 0) continue;
            if (outFolder.isEmpty() ||
                QFileInfo(file.absolutePath()).canonicalFilePath() == outFolder)
                return true;
        }
    }
    return false;
}

// How many pictures to work on at once: as asked, or one per usable processor, but never
// more than there are pictures (an icon file may hold many).
int WorkerCount(const TConvertOptions& options, const QStringList& pictures) {
    int workers = options.Jobs > 0 ? options.Jobs : UsableProcessorCount();
    const bool iconFiles = std::any_of(pictures.begin(), pictures.end(), [](const QString& p) {
        return QFileInfo(p).suffix().compare(QLatin1String("ico"), Qt::CaseInsensitive) == 0;
    });
    if (!iconFiles) workers = std::min(workers, static_cast<int>(pictures.size()));
    return workers;
}

// The pictures' buffers are made on the workers and freed on the run's thread. glibc's
// allocator then maps and unmaps each large buffer afresh and hands freed memory back at
// once (its thresholds adapt only within one thread's arena), which costs more than the
// work on a small picture. Keeping up to a few large pictures' worth for reuse avoids it.
//
// Under a limit on the address space, though, each further thread's arena would hold
// 64 MiB of it for good, so that a picture done again alone for want of memory could fail
// where one thread converts it: the threads then share one arena.
void KeepFreedPicturesForReuse() {
#ifdef __GLIBC__
    rlimit space{};
    if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
        mallopt(M_ARENA_MAX, 1);
        return;
    }
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

// The processing of the run with a line per written picture on the way, the loader's
// reasons, and warnings about results the user would not expect.
class TReportingProcessor : public TJobProcessor {
public:
    TReportingProcessor(TJobState& job, TConvertView& view, std::FILE* out, std::FILE* err,
                        bool quiet, const QStringList& given)
        : TJobProcessor(job, view), job_(job), view_(view), out_(out), err_(err), quiet_(quiet),
          given_(given) {}

    void AutoMask() override {
        TJobProcessor::AutoMask();
        if (!job_.MaskMap.Initialized) return;
        for (int y = 0; y < job_.IconSize; ++y)
            for (int x = 0; x < job_.IconSize; ++x)
                if (job_.MaskMap.GetPixel(x, y) != 1) return;
        Warn(QStringLiteral("the automatic mask makes all of %1 transparent (try --mask none)")
                 .arg(CurrentPicture(job_, given_)));
    }

    void WriteOutput(bool replace) override {
        try {
            TJobProcessor::WriteOutput(replace);
        } catch (const EPictureOfRun& refused) {
            // That picture is skipped; the run goes on with the others.
            view_.ShowMessage(QString::fromUtf8(refused.what()), QString());
            return;
        }
        if (LastWrite() == TWriteResult::Written) {
            NoteWritten();
            if (!quiet_) {
                view_.ClearProgress();
                for (const QString& path : LastFiles().Written)
                    PrintPath(out_, Native(path));
            }
        }
        for (const QString& path : LastFiles().Kept) {
            view_.ClearProgress();
            PrintLine(err_,
                      QStringLiteral("%1: kept existing file %2").arg(Program(), Native(path)));
        }
    }

protected:
    void ReportLoadFailure(const TLoadFailure& failure) override {
        TLoadFailure named = failure;
        named.Name = GivenName(job_, given_);
        view_.ShowMessage(LoadFailureMessage(named, u": "), QStringLiteral("Picture error"));
    }

private:
    void Warn(const QString& text) {
        view_.ClearProgress();
        PrintLine(err_, QStringLiteral("%1: warning: %2").arg(Program(), text));
    }

    // Output names drop everything from the first dot, so two pictures of a run can give
    // the same file; the later one then replaces what the run itself wrote.
    void NoteWritten() {
        if (job_.OutFormat == TOutFormat::Mico) return;
        const QString key = QFileInfo(job_.OutPath).absoluteFilePath();
        const QString source = CurrentPicture(job_, given_);
        const auto earlier = writtenFrom_.constFind(key);
        if (earlier != writtenFrom_.cend())
            Warn(QStringLiteral("%1 from %2 replaces the one written from %3")
                     .arg(Native(job_.OutPath), source, *earlier));
        writtenFrom_.insert(key, source);
    }

    TJobState& job_;
    TConvertView& view_;
    std::FILE* out_;
    std::FILE* err_;
    bool quiet_;
    const QStringList& given_;
    QHash<QString, QString> writtenFrom_;
};

} // namespace

int RunConversion(const TConvertOptions& options, std::FILE* out, std::FILE* err,
                  bool showProgress) {
    if (const QString problem = OutputProblem(options); !problem.isEmpty()) {
        PrintLine(err, QStringLiteral("%1: %2").arg(Program(), problem));
        return ExitUsage;
    }

    TJobState job;
    job.PresetIconSize = options.IconSize;
    job.PresetIconBPP = options.IconBPP;
    // Several sizes, true colour or a 256-pixel image make a set of images, largest first.
    job.OutputSizes.assign(options.Sizes.begin(), options.Sizes.end());
    std::sort(job.OutputSizes.begin(), job.OutputSizes.end(), std::greater<>());
    job.PresetSizing = TSizing::Scale;
    job.PresetMasking = options.Masking;
    job.FixResolution = job.FixSizing = job.FixMasking = false;
    job.OutFormat = options.Format;

    int skippedArguments = 0;
    TInputQueue queue(job.InputList);
    QStringList given; // each queued picture as it was given, for the messages
    for (const QString& picture : options.Pictures) {
        if (queue.Queue(picture)) {
            given.append(picture);
            continue;
        }
        ++skippedArguments;
        PrintLine(err, QStringLiteral("%1: skipping %2: %3")
                           .arg(Program(), Native(picture), RefusalReason(picture, job.InputList)));
    }
    if (job.InputList.isEmpty()) {
        PrintLine(err, QStringLiteral("%1: no picture to convert").arg(Program()));
        return ExitSomeSkipped;
    }

    TConvertView view(job, options, err, given);
    view.SetProgressShown(showProgress && !options.Quiet);
    TReportingProcessor processor(job, view, out, err, options.Quiet, given);
    processor.SetScaleOnlyRun(true);
    // With more than one worker the pictures are prepared ahead on other threads; this
    // thread still takes every step, in queue order, and does all the writing and printing.
    std::unique_ptr<TPicturePipeline> pipeline;
    const int workers = WorkerCount(options, job.InputList);
    if (workers > 1 && !MayReadWhatItWrites(options, job.InputList)) {
        KeepFreedPicturesForReuse();
        // Each picture's own file is written ahead into the output folder, flushed to the
        // disk there by the workers; a multi-resource icon grows on this thread alone.
        const QString folder =
            options.Format == TOutFormat::Mico ? QString() : OutputFolder(options);
        try {
            pipeline = std::make_unique<TPicturePipeline>(job, workers, true, folder);
            TPicturePipeline* ahead = pipeline.get();
            processor.SetPreparedSource(
                {[ahead](std::int32_t file, std::int32_t sub) { return ahead->Take(file, sub); },
                 [ahead] { return ahead->RunsAlone(); }});
        } catch (const std::system_error&) {
            // No room for threads: this thread does every picture, as with one worker.
        } catch (const std::bad_alloc&) {
        }
    }
    TStepEngine engine(job, view, processor);

    // Each press runs the engine until it stops on a page: the batch page (several
    // pictures), the save page once, the finish page. Nothing else stops an automatic run.
    for (int press = 0; press < 8 && !engine.Closed(); ++press) {
        if (job.Step == PageFinish) break;
        if (job.Step == PageSaving) {
            if (processor.Tally().WriteFailed > 0) break;
            if (options.OutputGiven) view.SetLocationText(options.Output);
        } else if (job.Step != PageSource && job.Step != PageBatchMode) {
            break;
        }
        engine.NextButtonClick();
    }
    view.ClearProgress();

    const int signal = job.Step == PageFinish ? 0 : SystemFiles::InterruptSignal();
    if (signal != 0)
        PrintLine(
            err,
            QStringLiteral("%1: stopped by %2").arg(Program(), SystemFiles::SignalText(signal)));
    if (processor.Tally().WriteFailed > 0 || job.Step != PageFinish) {
        // A failed write, an interrupt, or another error of a step's work (the engine has
        // shown it): the run cannot go on.
        const int left = PicturesLeft(job);
        PrintLine(err, QStringLiteral("%1: stopped at %2: %3 not converted")
                           .arg(Program(), CurrentPicture(job, given),
                                left == 1 ? QStringLiteral("1 picture")
                                          : QStringLiteral("%1 pictures").arg(left)));
        return signal != 0 ? SystemFiles::InterruptExitStatus(signal) : ExitWriteFailed;
    }
    const TRunTally& tally = processor.Tally();
    if (skippedArguments > 0 || tally.LoadFailed > 0 || tally.KeptExisting > 0 ||
        tally.PictureOfRun > 0)
        return ExitSomeSkipped;
    return ExitAllWritten;
}

namespace {

int ParseAndRun(const QStringList& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal) {
    const TConvertParse parsed = ParseConvertArguments(arguments);
    if (!parsed.Error.isEmpty()) {
        PrintLine(err, QStringLiteral("%1: %2").arg(Program(), parsed.Error));
        PrintLine(err, QStringLiteral("Try '%1 --help' for more information.").arg(Program()));
        return ExitUsage;
    }
    if (parsed.Options.Help) {
        std::fputs(ConvertUsage().toLocal8Bit().constData(), out);
        return ExitAllWritten;
    }
    if (parsed.Options.Version) {
        PrintLine(out, QStringLiteral("%1 (Vantrel Tessaly) %2")
                           .arg(Program(), QLatin1String(TESSALY_VERSION)));
        return ExitAllWritten;
    }
    return RunConversion(parsed.Options, out, err, errIsTerminal);
}

// Whether everything printed reached its stream. A list of written files that never
// arrived (a full disk, a closed pipe) is a failed run, whatever the pictures did.
bool StreamsWritten(std::FILE* out, std::FILE* err) {
    const bool outWritten = std::fflush(out) == 0 && std::ferror(out) == 0;
    const bool errWritten = std::fflush(err) == 0 && std::ferror(err) == 0;
    if (!outWritten && errWritten)
        PrintLine(err, QStringLiteral("%1: cannot write to standard output").arg(Program()));
    return outWritten && errWritten;
}

} // namespace

int ConvertMain(const QStringList& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal) {
    const int status = ParseAndRun(arguments, out, err, errIsTerminal);
    if (!StreamsWritten(out, err) && (status == ExitAllWritten || status == ExitSomeSkipped))
        return ExitWriteFailed;
    return status;
}
