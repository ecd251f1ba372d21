// The wizard on a large JPEG, as a person meets it: Next on the source page until the
// resolution page is drawn with its preview, then entering the sizing page, the crop
// dialog over the picture and the masking page. The first is set against djpeg decoding
// the same file in the same run, by the clock and by processor time (which a busy machine
// disturbs less); the memory is the process's peak from the start of a run to the crop
// dialog, against 3 bytes a pixel plus 64 MiB.
//
// The wizard loads a large JPEG with just the rows its preview shows and decodes it in
// full on another thread while the resolution page is shown: the time from Next until
// that picture is complete is given too, and every run is repeated with the whole picture
// decoded before the page is shown (as the wizard did before) for comparison.
//
// Usage: bench_ui_wizard PHOTO.jpg [RUNS]   (bench/run passes its 24-megapixel photo)

#include "core/Settings.h"
#include "ui/Form1.h"
#include "ui/WindowDialogs.h"

#include "ui/CropForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

struct MemoryStore : TSettingsStore {
    std::optional<QString> ReadValue(const QString&) const override { return std::nullopt; }
    bool WriteValue(const QString&, const QString&) override { return true; }
};

struct NoDialogs : TWindowDialogs {
    void ShowMessage(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    QStringList ChooseFilesToAdd(QWidget*, const QStringList&, const QString&,
                                 const QString&) override {
        return {};
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont&) override { return std::nullopt; }
    std::optional<QColor> ChooseColor(QWidget*, const QColor&) override { return std::nullopt; }
    bool Run(QDialog&) override { return false; }
    bool Run(TFileDialog&, QWidget*) override { return false; }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The process's peak memory in MiB since the last ResetPeak.
double PeakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

void ResetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// Presses Next and gives the time until the page is drawn and painted, with the processor
// time of this thread alone and of the whole process.
struct Timing {
    double Wall = 0;
    double Cpu = 0;
    double CpuAll = 0;
};

Timing TimedNext(TForm1& form) {
    auto* next = form.findChild<QAbstractButton*>(QStringLiteral("NextButton"));
    QElapsedTimer timer;
    const double cpu = CpuMs(RUSAGE_THREAD);
    const double cpuAll = CpuMs(RUSAGE_SELF);
    timer.start();
    next->click();
    form.repaint();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, CpuMs(RUSAGE_THREAD) - cpu,
            CpuMs(RUSAGE_SELF) - cpuAll};
}

struct Series {
    std::vector<double> Resolution, ResolutionCpu, ResolutionCpuAll, Complete, CompleteCpu, Sizing,
        Masking, Peak;
};

// One run of the wizard up to the masking page; `partial` as the wizard ships it, else with
// the whole picture decoded before the resolution page is shown.
bool RunWizard(const QString& photo, bool partial, Series& series) {
    ResetPeak();
    MemoryStore store;
    NoDialogs dialogs;
    TForm1 form(store, dialogs, {photo});
    if (!partial) form.Processor().SetPreviewScale(nullptr);
    TCropForm cropForm(form.Processor().CropState(), dialogs, &form);
    form.SetDialogs(&cropForm, nullptr, nullptr);
    form.show();
    QApplication::processEvents();
    QElapsedTimer sinceNext;
    const double cpuAll = CpuMs(RUSAGE_SELF);
    sinceNext.start();
    const Timing toResolution = TimedNext(form); // one picture: the batch page is passed
    form.Processor().CompletePicture();
    series.Complete.push_back(static_cast<double>(sinceNext.nsecsElapsed()) / 1e6);
    series.CompleteCpu.push_back(CpuMs(RUSAGE_SELF) - cpuAll);
    series.Resolution.push_back(toResolution.Wall);
    series.ResolutionCpu.push_back(toResolution.Cpu);
    series.ResolutionCpuAll.push_back(toResolution.CpuAll);
    series.Sizing.push_back(TimedNext(form).Wall);
    // The crop dialog over the picture, as "Crop option" opens it.
    form.findChild<QAbstractButton*>(QStringLiteral("RadioCrop"))->click();
    cropForm.show();
    cropForm.repaint();
    QApplication::processEvents();
    cropForm.hide();
    series.Masking.push_back(TimedNext(form).Wall);
    series.Peak.push_back(PeakMiB());
    if (form.Job().Step != PageMasking) {
        std::fprintf(stderr, "the run did not reach the masking page\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_ui_wizard PHOTO.jpg [RUNS]\n");
        return 2;
    }
    const QString photo = QFileInfo(args[1]).absoluteFilePath();
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
    QTemporaryDir work; // the save page proposes its names here
    QDir::setCurrent(work.path());

    std::vector<double> djpeg, djpegCpu;
    Series shipped, whole;
    for (int run = 0; run < runs; ++run) {
        const double childCpu = CpuMs(RUSAGE_CHILDREN);
        QProcess decoder;
        decoder.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        decoder.start(QStringLiteral("djpeg"), {photo});
        if (!decoder.waitForFinished(-1) || decoder.exitCode() != 0) {
            std::fprintf(stderr, "djpeg failed on %s\n", qPrintable(photo));
            return 1;
        }
        djpeg.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        djpegCpu.push_back(CpuMs(RUSAGE_CHILDREN) - childCpu);
        if (!RunWizard(photo, true, shipped) || !RunWizard(photo, false, whole)) return 1;
    }
    const double floor = Median(djpeg);
    const double floorCpu = Median(djpegCpu);
    const QSize size = QImageReader(photo).size();
    const double budget = 3.0 * size.width() * size.height() / 1048576 + 64;
    std::printf("medians of %d runs on %s (%d x %d)\n", runs, qPrintable(photo), size.width(),
                size.height());
    std::printf("djpeg decode                          %8.1f ms  (processor %.1f ms)\n", floor,
                floorCpu);
    const auto report = [&](const char* title, const Series& s) {
        std::printf("%s\n", title);
        std::printf("  Next to the resolution page         %8.1f ms  (%.2f x djpeg; goal <= 1.0)\n",
                    Median(s.Resolution), Median(s.Resolution) / floor);
        std::printf("    processor, this thread            %8.1f ms  (%.2f x djpeg's)\n",
                    Median(s.ResolutionCpu), Median(s.ResolutionCpu) / floorCpu);
        std::printf("    processor, all threads            %8.1f ms  (%.2f x djpeg's)\n",
                    Median(s.ResolutionCpuAll), Median(s.ResolutionCpuAll) / floorCpu);
        std::printf("  whole picture there, from Next      %8.1f ms  (processor %.1f ms, %.2f x "
                    "djpeg's)\n",
                    Median(s.Complete), Median(s.CompleteCpu), Median(s.CompleteCpu) / floorCpu);
        std::printf("  peak memory up to the crop dialog   %8.1f MiB (goal <= %.1f MiB)\n",
                    Median(s.Peak), budget);
        std::printf("  entering the sizing page            %8.1f ms  (goal < 100)\n",
                    Median(s.Sizing));
        std::printf("  entering the masking page           %8.1f ms  (goal < 100)\n",
                    Median(s.Masking));
    };
    report("the wizard: the preview's rows first, the rest on another thread", shipped);
    report("the whole picture decoded before the page is shown, as before", whole);
    return 0;
}
