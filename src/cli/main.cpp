#include "cli/ConvertRun.h"

#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <io.h>
#define TESSALY_ISATTY _isatty
#define TESSALY_FILENO _fileno
#else
#include <unistd.h>
#define TESSALY_ISATTY isatty
#define TESSALY_FILENO fileno
#endif

// tessaly-convert: the wizard's automatic run from the command line. It needs no display
// and no event loop, so no application object either: setting one up costs start-up time
// and memory on every run. Only Windows needs one, to hand over the command line as the
// system holds it (UTF-16) rather than in the local code page, and runs with SVG pictures
// need one for their fonts.
int main(int argc, char** argv) {
#ifdef _WIN32
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
#endif
    // Text in an SVG picture needs the font database, which only a GUI application object
    // sets up; one without a display (the offscreen platform) is made for such runs alone.
    std::unique_ptr<QGuiApplication> fonts;
    const bool svg = std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
        return a.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    });
    if (svg && !QCoreApplication::instance()) {
        // Its warnings about the desktop session it does without are no business of the
        // user's; the converter reports what goes wrong with a picture itself.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        });
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fonts = std::make_unique<QGuiApplication>(argc, argv);
    }
    const bool errIsTerminal = TESSALY_ISATTY(TESSALY_FILENO(stderr)) != 0;
    return ConvertMain(arguments, stdout, stderr, errIsTerminal);
}
