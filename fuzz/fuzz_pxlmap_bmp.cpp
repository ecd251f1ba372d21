// The pixel map's own bitmap loader, followed by the hand-over to a picture and a save:
// whatever it accepts must survive both.
#include "FuzzSupport.h"
#include "image/PxlMap.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.bmp"));
    TPxlMap map{};
    try {
        if (map.LoadFromBMP(path)) {
            QImage picture;
            map.CopyToPicture(picture);
            if (picture.width() != map.Width || picture.height() != map.Height) __builtin_trap();
            map.SaveToBMP(fuzzsupport::scratch().filePath(QStringLiteral("out.bmp")));
        } else if (map.Initialized) {
            __builtin_trap(); // a refusal leaves the map empty
        }
    } catch (const std::exception&) {
    }
    return 0;
}
