#include "ui/AboutForm.h"

#include "core/PageTexts.h"
#include "core/Settings.h"
#include "ui/Controls.h"
#include "ui/FontScaling.h"
#include "ui/PictureBox.h"
#include "ui/WindowResources.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>

namespace {

// The two lines keep a font of their own, in the design face, whatever the window's font:
// every attribute is set, so none is taken over from the window.
QFont OwnFont(int points, bool bold) {
    QFont font(TFontSetting{}.Name, points);
    font.setBold(bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// The build line names the platform the program was built for.
QString BuildLine() {
#if defined(Q_OS_LINUX)
    return QStringLiteral("Linux Build 002");
#elif defined(Q_OS_WIN)
    return QStringLiteral("Win32 Build 002");
#else
    return QSysInfo::productType() + QStringLiteral(" Build 002");
#endif
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Tessaly"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(385, 118);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 369, 65);

    auto* icon = new TPictureBox(panel);
    Name(icon, "ProgramIcon", QStringLiteral("Program icon"));
    icon->setGeometry(12, 16, 32, 32);
    KeepPixelSize(icon);
    icon->SetPicture(ProgramIconPicture(32));

    QLabel* product = MakeLabel(panel, ProductTitle(), {54, 10, 300, 26});
    product->setObjectName(QStringLiteral("ProductName"));
    product->setFont(OwnFont(12, true));
    QLabel* build = MakeLabel(panel, BuildLine(), {126, 39, 200, 16});
    build->setObjectName(QStringLiteral("BuildText"));
    build->setFont(OwnFont(8, false));

    QPushButton* ok = MakeButton(this, "Button1", QStringLiteral("OK"), {155, 84, 75, 25});
    ok->setDefault(true);
    // Esc closes the box as OK does (a dialog's Esc rejects; both just close it).
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
