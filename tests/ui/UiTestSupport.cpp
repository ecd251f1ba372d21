#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QTest>

Wizard::Wizard(const QStringList& arguments)
    : Form(std::make_unique<TForm1>(Store, Dialogs, arguments)) {
    Form->show();
    QApplication::processEvents();
}

void Wizard::Click(const char* name) const {
    auto* button = Get<QAbstractButton>(name);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name;
    // Near the left edge: radio buttons and check boxes take clicks on their mark and text.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

int Wizard::Page() const {
    // The pages' object names count from Panel1.
    for (int page = PageSource; page <= PageFinish; ++page)
        if (Shows(QStringLiteral("Panel%1").arg(page + 1).toLatin1().constData())) return page;
    return -1;
}

QString WritePicture(const QString& path, int width, int height) {
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(QColor(40, 160, 220));
    QPainter painter(&picture);
    painter.fillRect(width / 4, height / 4, width / 2, height / 2, QColor(230, 30, 30));
    painter.fillRect(width / 3, 0, 2, height, QColor(250, 220, 40));
    painter.end();
    EXPECT_TRUE(picture.save(path, "BMP")) << path.toStdString();
    return path;
}

void ClearClipboard() {
    QGuiApplication::clipboard()->clear();
    QApplication::processEvents();
}
