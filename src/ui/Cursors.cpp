#include "ui/Cursors.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QImage>
#include <map>

// Q_INIT_RESOURCE must be used outside any namespace.
void InitMaskResources() {
    Q_INIT_RESOURCE(mask);
}

namespace {

struct CursorPicture {
    TCursorSlot Slot;
    const char* Path;
    int HotX;
    int HotY;
};

constexpr CursorPicture cursorPictures[] = {
    {TCursorSlot::Pencil, ":/mask/crpencil.png", 7, 24},
    {TCursorSlot::Circle, ":/mask/crcircle.png", 14, 13},
};

std::map<TCursorSlot, QCursor>& cursorTable() {
    static std::map<TCursorSlot, QCursor> table;
    return table;
}

// Pixmaps must go before the application object does.
void dropCursors() {
    cursorTable().clear();
}

// A picture of black, white and transparent pixels as a bitmap-and-mask cursor.
QCursor monochromeCursor(const QImage& picture, int hotX, int hotY) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QImage bits(argb.size(), QImage::Format_Mono);
    QImage mask(argb.size(), QImage::Format_Mono);
    // Index 1 is the set bit: black in the picture, opaque in the mask.
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.fill(0);
    mask.fill(0);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb pixel = argb.pixel(x, y);
            if (qAlpha(pixel) < 128) continue;
            mask.setPixel(x, y, 1);
            if (qGray(pixel) < 128) bits.setPixel(x, y, 1);
        }
    return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), hotX, hotY);
}

} // namespace

void RegisterCursors() {
    InitMaskResources();
    auto& table = cursorTable();
    if (table.empty()) qAddPostRoutine(dropCursors);
    for (const CursorPicture& cursor : cursorPictures)
        table[cursor.Slot] =
            monochromeCursor(QImage(QString::fromLatin1(cursor.Path)), cursor.HotX, cursor.HotY);
}

QCursor AppCursor(TCursorSlot slot) {
    if (cursorTable().empty()) RegisterCursors();
    return cursorTable().at(slot);
}
