#include "ui/FontMapping.h"

#include <QApplication>
#include <gmock/gmock.h>

// Widget tests need an application object before any test runs; they run without a
// display unless told otherwise. This main takes the place of GoogleTest's own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
