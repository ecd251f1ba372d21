#include "cli/ConvertRun.h"
#include "image/SystemFiles.h"

#include <QStringList>
#include <cstdio>

#ifdef _WIN32
#include <QCoreApplication>
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
// system holds it (UTF-16) rather than in the local code page.
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
    // SIGINT, SIGTERM and SIGHUP stop the run between pictures, never inside a write.
    SystemFiles::CatchInterrupts();
    const bool errIsTerminal = TESSALY_ISATTY(TESSALY_FILENO(stderr)) != 0;
    return ConvertMain(arguments, stdout, stderr, errIsTerminal);
}
