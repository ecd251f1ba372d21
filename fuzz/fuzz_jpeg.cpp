// The JPEG loader (libjpeg with our error manager) on arbitrary bytes.
#include "FuzzSupport.h"
#include "process/JpegLoader.h"
#include "process/PictureLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.jpg"));
    try {
        // A smaller limit than the program's keeps each run fast; the check itself is the
        // same code.
        QImage picture = LoadJpegPicture(path, std::int64_t{1} << 20);
        if (picture.isNull()) __builtin_trap(); // failures throw, they never return empty
    } catch (const std::exception&) {
    }
    return 0;
}
