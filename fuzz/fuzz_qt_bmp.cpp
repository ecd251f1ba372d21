// The platform's bitmap reader as the program calls it for ".bmp" sources.
#include "FuzzSupport.h"
#include "process/loading/PictureLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString path = fuzzsupport::writeInput(data, size, QStringLiteral("in.bmp"));
    try {
        QImage picture = LoadBitmapPicture(path, std::int64_t{1} << 20);
        if (picture.isNull()) __builtin_trap();
    } catch (const std::exception&) {
    }
    return 0;
}
