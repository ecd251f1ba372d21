#include <QApplication>
#include <QLabel>

// Placeholder window until the wizard pages exist.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Tessaly 3.5"));
    QLabel label(QStringLiteral("Vantrel Tessaly 3.5\n\nThe wizard is being built. "
                                "Use tessaly-convert to convert pictures meanwhile."));
    label.setAlignment(Qt::AlignCenter);
    label.setMinimumSize(480, 200);
    label.setWindowTitle(QStringLiteral("Vantrel Tessaly 3.5"));
    label.show();
    return app.exec();
}
