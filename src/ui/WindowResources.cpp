#include "ui/WindowResources.h"

// Resources of a static library are registered by name, outside any namespace.
static void RegisterWindowResources() {
    Q_INIT_RESOURCE(window);
}

namespace {
void EnsureResources() {
    static const bool registered = [] {
        RegisterWindowResources();
        return true;
    }();
    (void)registered;
}
} // namespace

QImage SidePicture() {
    EnsureResources();
    return QImage(QStringLiteral(":/window/side.png"));
}

QImage ProgramIconPicture(int size) {
    EnsureResources();
    return QImage(QStringLiteral(":/window/tessaly%1.png").arg(size));
}

QIcon ProgramIcon() {
    EnsureResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/window/tessaly%1.png").arg(size), QSize(size, size));
    return icon;
}
