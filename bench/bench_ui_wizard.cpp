// The wizard on a large JPEG, as a person meets it: Next on the source page until the
// resolution page is drawn with its preview (the window loads every row, since it shows
// the picture), then entering the sizing page and the masking page. The first is set
// against djpeg decoding the same file in the same run.
//
// Usage: bench_ui_wizard PHOTO.jpg [RUNS]   (bench/run passes its 24-megapixel photo)

#include "core/Settings.h"
#include "ui/Form1.h"
#include "ui/WindowDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
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
    bool Run(QDialog&) override { return false; }
    bool Run(TFileDialog&, QWidget*) override { return false; }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Presses Next and gives the milliseconds until the page is drawn and painted.
double TimedNext(TForm1& form) {
    auto* next = form.findChild<QAbstractButton*>(QStringLiteral("NextButton"));
    QElapsedTimer timer;
    timer.start();
    next->click();
    form.repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
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

    std::vector<double> djpeg, resolution, sizing, masking;
    for (int run = 0; run < runs; ++run) {
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

        MemoryStore store;
        NoDialogs dialogs;
        TForm1 form(store, dialogs, {photo});
        form.show();
        QApplication::processEvents();
        resolution.push_back(TimedNext(form)); // one picture: the batch page is passed
        sizing.push_back(TimedNext(form));
        masking.push_back(TimedNext(form));
        if (form.Job().Step != PageMasking) {
            std::fprintf(stderr, "the run did not reach the masking page\n");
            return 1;
        }
    }
    const double floor = Median(djpeg);
    std::printf("medians of %d runs on %s\n", runs, qPrintable(photo));
    std::printf("djpeg decode                        %8.1f ms\n", floor);
    std::printf("Next to the resolution page          %8.1f ms  (%.2f x djpeg; goal <= 1.3)\n",
                Median(resolution), Median(resolution) / floor);
    std::printf("entering the sizing page            %8.1f ms  (goal < 100)\n", Median(sizing));
    std::printf("entering the masking page           %8.1f ms  (goal < 100)\n", Median(masking));
    return 0;
}
