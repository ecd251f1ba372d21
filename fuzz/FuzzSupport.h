#pragma once

#include "core/NullWizardView.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Shared pieces of the fuzz targets: a scratch folder that lives as long as the process,
// and the input bytes written to a file there (the readers take file names).
namespace fuzzsupport {

inline QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

inline QString writeInput(const std::uint8_t* data, std::size_t size, const QString& name) {
    QString path = scratch().filePath(name);
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

// The largest picture a fuzz run decodes in full. The program takes pictures of up to 2^28
// pixels, and does so in time for a user; within a fuzzer's one-second budget, under the
// sanitizers, only a smaller limit leaves room for finding real faults. The limit checks
// themselves are the program's own code, run at this smaller limit.
inline constexpr std::int64_t PictureLimit = std::int64_t{1} << 20;

// Width x height that a GIF or JPEG file's header declares, read without decoding; -1 when
// no header says (the decoders then refuse the file or find it small).
inline std::int64_t DeclaredPixels(const std::uint8_t* data, std::size_t size) {
    auto at = [&](std::size_t i) -> int { return i < size ? data[i] : 0; };
    for (std::size_t start : {std::size_t{0}, std::size_t{4}}) {
        if (size >= start + 10 && (at(start) | 0x20) == 'g' && (at(start + 1) | 0x20) == 'i' &&
            (at(start + 2) | 0x20) == 'f')
            return std::int64_t{at(start + 6) | at(start + 7) << 8} *
                   (at(start + 8) | at(start + 9) << 8);
    }
    if (size < 4 || at(0) != 0xFF || at(1) != 0xD8) return -1;
    // JPEG: walk the marker segments to the first frame header (SOF0..SOF15 but for DHT,
    // JPG and DAC).
    std::size_t i = 2;
    while (i + 3 < size) {
        if (at(i) != 0xFF) return -1;
        const int marker = at(i + 1);
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return std::int64_t{at(i + 5) << 8 | at(i + 6)} * (at(i + 7) << 8 | at(i + 8));
        i += 2 + static_cast<std::size_t>(at(i + 2) << 8 | at(i + 3));
    }
    return -1;
}

// A wizard without a window: file source, automatic run, the save page's answers given.
class HeadlessView : public TNullWizardView {
public:
    bool CropChosen() const override { return crop; }
    int OutFormatItem() const override { return formatItem; }
    QString OutLocationText() const override { return location; }
    void SetOutFormatItem(int item) override { formatItem = item; }
    void ShowMessage(const QString&, const QString&) override { ++messages; }

    bool crop = false;
    int formatItem = 0;
    QString location;
    int messages = 0;
};

} // namespace fuzzsupport
