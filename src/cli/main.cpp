#include "cli/ConvertRun.h"
#include "core/QtMessages.h"
#include "image/FileNames.h"
#include "image/SystemFiles.h"

#include <QLoggingCategory>
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
    KeepToolkitMessagesQuiet();
#ifdef _WIN32
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NameFromBytes(QByteArray(argv[i])));
#endif
    // The image readers' own remarks on files they read anyway ("libpng warning: iCCP:
    // known incorrect sRGB profile") are no message of this program's.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.warning=false"));
    // Text in an SVG picture needs the font database, which only a GUI application object
    // sets up; one without a display (the offscreen platform) is made for such runs alone.
    std::unique_ptr<QGuiApplication> fonts;
    const bool svg = std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
        return a.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    });
    if (svg && !QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fonts = std::make_unique<QGuiApplication>(argc, argv);
    }
    // SIGINT, SIGTERM and SIGHUP stop the run between pictures, never inside a write.
    SystemFiles::CatchInterrupts();
    const bool errIsTerminal = TESSALY_ISATTY(TESSALY_FILENO(stderr)) != 0;
    return ConvertMain(arguments, stdout, stderr, errIsTerminal);
}
