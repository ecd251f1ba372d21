#pragma once

#include <QImage>

// A new picture of the given size and format for a decoder to fill, laid out exactly as
// QImage(width, height, format) would be (same bytes per line, top row first); only where
// its memory comes from differs. Large pictures (a photo of several megapixels) get memory
// of their own that the system may back with large pages, so that filling them costs a
// few hundred page faults instead of one per 4 KiB; that memory is returned when the last
// copy of the picture goes. Small pictures are plain QImages.
//
// The pixels are not initialised. The result is a null image when the size is not
// positive, the format is invalid, or there is no memory for it.
QImage AllocatePicture(int width, int height, QImage::Format format);

// A new picture whose pixels all read as 0 and whose memory pages are taken only as they
// are first written, for a decoder that fills just some rows of a large picture. A null
// image where the system offers no such memory (the caller then decodes in full), when
// the size is not positive or the format invalid.
QImage AllocateSparsePicture(int width, int height, QImage::Format format);

// Pictures of at least this many bytes take the large-picture path.
inline constexpr qsizetype LargePictureBytes = qsizetype{4} << 20;
