#include "process/loading/PictureMemory.h"

#include <cstdint>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__linux__)

namespace {

// Bytes per line of a QImage: rows start on 32-bit boundaries.
qsizetype lineBytes(int width, int depth) {
    return (static_cast<qsizetype>(width) * depth + 31) / 32 * 4;
}

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

struct Mapping {
    void* Start;
    std::size_t Length;
};

void releaseMapping(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    munmap(mapping->Start, mapping->Length);
    delete mapping;
}

// Anonymous memory, zero-filled by the system, starting on a large-page boundary so that
// every whole large page of it can be one. With `largePages` the system is asked for them
// and may still give small ones; without, a page takes memory only once it is written.
Mapping* mapAnonymous(std::size_t bytes, bool largePages) {
    const std::size_t length = (bytes + kPage - 1) / kPage * kPage;
    if (length > std::numeric_limits<std::size_t>::max() - kLargePage) return nullptr;
    const std::size_t reserved = length + kLargePage;
    void* base =
        mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    const auto first = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t start = (first + kLargePage - 1) / kLargePage * kLargePage;
    const std::size_t head = start - first;
    if (head > 0) munmap(base, head);
    const std::size_t tail = reserved - head - length;
    if (tail > 0) munmap(reinterpret_cast<void*>(start + length), tail);
    if (largePages) madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
    return new Mapping{reinterpret_cast<void*>(start), length};
}

// A picture on mapped memory, or a null one when its size does not fit or there is no
// such memory.
QImage mappedPicture(int width, int height, QImage::Format format, qsizetype perLine,
                     bool largePages) {
    Mapping* mapping = mapAnonymous(static_cast<std::size_t>(perLine * height), largePages);
    if (mapping == nullptr) return QImage();
    QImage picture(static_cast<uchar*>(mapping->Start), width, height, perLine, format,
                   releaseMapping, mapping);
    if (picture.isNull()) releaseMapping(mapping);
    return picture;
}

// Bytes per line of the picture, or 0 when the whole picture would not fit in memory's
// address range.
qsizetype checkedLineBytes(int width, int height, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype perLine = lineBytes(width, depth);
    if (perLine <= 0 || perLine > std::numeric_limits<qsizetype>::max() / height) return 0;
    return perLine;
}

} // namespace

#endif

QImage AllocatePicture(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid) return QImage();
#if defined(__linux__)
    const qsizetype perLine = checkedLineBytes(width, height, format);
    if (perLine > 0 && perLine * height >= LargePictureBytes) {
        QImage picture = mappedPicture(width, height, format, perLine, true);
        if (!picture.isNull()) return picture;
        // No such memory: the ordinary kind may still be there.
    }
#endif
    return QImage(width, height, format);
}

QImage AllocateSparsePicture(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid) return QImage();
#if defined(__linux__)
    const qsizetype perLine = checkedLineBytes(width, height, format);
    if (perLine > 0) return mappedPicture(width, height, format, perLine, false);
#endif
    return QImage();
}
