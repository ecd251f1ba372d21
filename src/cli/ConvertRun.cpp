#include "cli/ConvertRun.h"

#include "cli/ConvertView.h"
#include "core/InputQueue.h"
#include "core/JobState.h"
#include "core/StepEngine.h"
#include "process/Processor.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char* const kProgram = "tessaly-convert";

void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Why the queue refused a path (it refuses silently; the converter says why).
QString RefusalReason(const QString& path, const QStringList& queued) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("no such file");
    if (info.isDir()) return QStringLiteral("is a folder");
    if (queued.contains(path)) return QStringLiteral("given more than once");
    return QStringLiteral("not a BMP, JPEG, GIF or ICO file");
}

// The processing of the run with a line per written picture on the way.
class TReportingProcessor : public TPictureProcessor {
public:
    TReportingProcessor(TJobState& job, TConvertView& view, std::FILE* out, std::FILE* err,
                        bool quiet)
        : TPictureProcessor(job, view), job_(job), view_(view), out_(out), err_(err),
          quiet_(quiet) {}

    void WriteOutput(bool replace) override {
        TPictureProcessor::WriteOutput(replace);
        if (LastWrite() == TWriteResult::Written && !quiet_) {
            view_.ClearProgress();
            PrintLine(out_, Native(job_.OutPath));
        } else if (LastWrite() == TWriteResult::KeptExisting) {
            view_.ClearProgress();
            PrintLine(err_, QStringLiteral("%1: kept existing file %2")
                                .arg(QLatin1String(kProgram), Native(job_.OutPath)));
        }
    }

private:
    TJobState& job_;
    TConvertView& view_;
    std::FILE* out_;
    std::FILE* err_;
    bool quiet_;
};

} // namespace

int RunConversion(const TConvertOptions& options, std::FILE* out, std::FILE* err,
                  bool showProgress) {
    TJobState job;
    job.PresetIconSize = options.IconSize;
    job.PresetIconBPP = options.IconBPP;
    job.PresetSizing = 0;
    job.PresetMasking = options.Masking;
    job.FixResolution = job.FixSizing = job.FixMasking = false;
    job.OutFormat = options.Format;

    int skippedArguments = 0;
    TInputQueue queue(job.InputList);
    for (const QString& picture : options.Pictures) {
        if (queue.Queue(picture)) continue;
        ++skippedArguments;
        PrintLine(err, QStringLiteral("%1: skipping %2: %3")
                           .arg(QLatin1String(kProgram), Native(picture),
                                RefusalReason(picture, job.InputList)));
    }
    if (job.InputList.isEmpty()) {
        PrintLine(err, QStringLiteral("%1: no picture to convert").arg(QLatin1String(kProgram)));
        return ExitSomeSkipped;
    }

    TConvertView view(job, options, err);
    view.SetProgressShown(showProgress && !options.Quiet);
    TReportingProcessor processor(job, view, out, err, options.Quiet);
    processor.SetScaleOnlyRun(true);
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

    if (processor.Tally().WriteFailed > 0) return ExitWriteFailed;
    if (job.Step != PageFinish) {
        // A step's work raised an error (the engine has shown it); the run cannot go on.
        const QString picture = job.FileIndex >= 0 && job.FileIndex < job.InputList.size()
                                    ? Native(job.InputList[job.FileIndex])
                                    : QString();
        PrintLine(
            err,
            QStringLiteral("%1: conversion stopped at %2").arg(QLatin1String(kProgram), picture));
        return ExitWriteFailed;
    }
    const TRunTally& tally = processor.Tally();
    if (skippedArguments > 0 || tally.LoadFailed > 0 || tally.KeptExisting > 0)
        return ExitSomeSkipped;
    return ExitAllWritten;
}

int ConvertMain(const QStringList& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal) {
    const TConvertParse parsed = ParseConvertArguments(arguments);
    if (!parsed.Error.isEmpty()) {
        PrintLine(err, QStringLiteral("%1: %2").arg(QLatin1String(kProgram), parsed.Error));
        PrintLine(
            err,
            QStringLiteral("Try '%1 --help' for more information.").arg(QLatin1String(kProgram)));
        return ExitUsage;
    }
    if (parsed.Options.Help) {
        std::fputs(ConvertUsage().toLocal8Bit().constData(), out);
        return ExitAllWritten;
    }
    if (parsed.Options.Version) {
        PrintLine(out, QStringLiteral("%1 (Vantrel Tessaly) %2")
                           .arg(QLatin1String(kProgram), QLatin1String(TESSALY_VERSION)));
        return ExitAllWritten;
    }
    return RunConversion(parsed.Options, out, err, errIsTerminal);
}
