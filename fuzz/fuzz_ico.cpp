// The icon file reader: every image index up to the count the file gives, and the
// hand-over of each image read as a picture.
#include "FuzzSupport.h"
#include "image/IconLib.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.ico"));
    try {
        TPxlMap colour{}, mask{};
        std::int32_t count = ReadIconImage(path, 0, colour, mask);
        for (std::int32_t i = 0; i < count && i < 64; ++i) {
            TPxlMap c{}, m{};
            ReadIconImage(path, i, c, m);
            if (c.Initialized) {
                QImage picture;
                c.CopyToPicture(picture);
                if (picture.width() != c.Width || picture.height() != c.Height) __builtin_trap();
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
