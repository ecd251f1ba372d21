#include "core/PageTexts.h"
#include "core/QtMessages.h"
#include "image/FileNames.h"
#include "image/SystemFiles.h"
#include "ui/AboutForm.h"
#include "ui/CropForm.h"
#include "ui/FontMapping.h"
#include "ui/Form1.h"
#include "ui/PreSetForm.h"
#include "ui/QtSettingsStore.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowResources.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

int main(int argc, char** argv) {
    KeepToolkitMessagesQuiet();
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setWindowIcon(ProgramIcon());
    // Lets the desktop match the window to the installed launcher entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.Tessaly"));
    InstallFontSubstitutes();
    // The image readers' remarks on files they read anyway are no message for the user.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.warning=false"));

    TQtSettingsStore store;
    TQtWindowDialogs dialogs;
    // The pictures named, by their bytes (a name need not be UTF-8); the application
    // object has taken its own options out of argv.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NameFromBytes(QByteArray(argv[i])));

    // The four windows in their order; the main window is ready before the others exist.
    TForm1 form(store, dialogs, arguments);
    TCropForm cropForm(form.Processor().CropState(), dialogs, &form);
    TAboutForm aboutForm(&form);
    TPreSetForm preSetForm(form.Job(), store, dialogs, &form);
    form.SetDialogs(&cropForm, &aboutForm, &preSetForm);

    // SIGINT, SIGTERM and SIGHUP end the wizard between steps: a file
    // being written is finished first, and the program ends with 128 + the signal.
    SystemFiles::CatchInterrupts();
    QSocketNotifier interrupt(SystemFiles::InterruptDescriptor(), QSocketNotifier::Read);
    QObject::connect(&interrupt, &QSocketNotifier::activated, [] {
        if (const int signal = SystemFiles::InterruptSignal())
            QCoreApplication::exit(SystemFiles::InterruptExitStatus(signal));
    });

    form.show();
    return app.exec();
}
