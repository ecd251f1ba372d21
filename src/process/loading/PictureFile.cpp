#include "process/loading/PictureFile.h"

#include "image/FileNames.h"
#include "reduce/GraphicErrors.h"

#include <cerrno>
#include <string>

void OpenPictureFile(QFile& file, const QString& fileName) {
    QString reason;
    int error = 0;
    if (OpenForReading(file, fileName, &reason, &error)) return;
    const std::string text = "cannot open it: " + reason.toStdString();
    if (error == EMFILE || error == ENFILE || error == ENOMEM) throw EOutOfResources(text);
    throw EInvalidGraphic(text);
}
