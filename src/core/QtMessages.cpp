#include "core/QtMessages.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace {

void QuietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void KeepToolkitMessagesQuiet() {
    qInstallMessageHandler(QuietHandler);
}
