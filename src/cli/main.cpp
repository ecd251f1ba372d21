#include "cli/ConvertRun.h"

#include <QCoreApplication>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define TESSALY_ISATTY _isatty
#define TESSALY_FILENO _fileno
#else
#include <unistd.h>
#define TESSALY_ISATTY isatty
#define TESSALY_FILENO fileno
#endif

// tessaly-convert: the wizard's automatic run from the command line. It needs no display,
// so a plain core application is enough.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly-convert"));
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    const bool errIsTerminal = TESSALY_ISATTY(TESSALY_FILENO(stderr)) != 0;
    return ConvertMain(arguments, stdout, stderr, errIsTerminal);
}
