// The icon file reader's picture path: 24- and 32-bit images, PNG-coded ones, large and
// oblong ones, every image index up to the count the file gives.
#include "FuzzSupport.h"
#include "image/IconLib.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.ico"));
    try {
        QImage first;
        TPxlMap firstMask{};
        std::int32_t count = ReadIconPicture(path, 0, first, firstMask, nullptr);
        for (std::int32_t i = 0; i < count && i < 64; ++i) {
            QImage picture;
            TPxlMap mask{};
            QString refusal;
            ReadIconPicture(path, i, picture, mask, &refusal);
            if (picture.isNull()) {
                if (refusal.isEmpty() || mask.Initialized) __builtin_trap();
                continue;
            }
            if (picture.width() > MaxIconPicture || picture.height() > MaxIconPicture)
                __builtin_trap();
            if (mask.Initialized && (mask.Width != picture.width() ||
                                     mask.Height != picture.height() || picture.hasAlphaChannel()))
                __builtin_trap();
            // Every pixel is readable.
            volatile QRgb sum = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    sum = sum + picture.pixel(x, y);
        }
    } catch (const std::exception&) {
    }
    return 0;
}
