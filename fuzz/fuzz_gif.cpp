// The GIF reader on arbitrary bytes, with the hand-over of frame 0 as a picture.
#include "FuzzSupport.h"
#include "gif/GIFImage.h"
#include "reduce/GraphicErrors.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TGIFImage gif;
    try {
        gif.LoadFromStream(buffer);
        // What the loader asks of a loaded file before using it.
        static_cast<void>(gif.DataCutShort());
        if (static_cast<std::int64_t>(gif.Width()) * gif.Height() > fuzzsupport::PictureLimit)
            return 0;
        static_cast<void>(gif.ShowsIndexBeyondColorTable());
        QImage picture;
        gif.AssignTo(picture);
        if (!picture.isNull() &&
            (picture.width() != gif.Width() || picture.height() != gif.Height()))
            __builtin_trap();
    } catch (const std::exception&) {
        // Refusals are expected; only crashes, leaks and hangs are findings.
    }
    return 0;
}
