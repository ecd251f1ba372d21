#pragma once

#include <QFile>
#include <QString>
#include <cstdint>

// The largest source picture taken, in pixels (width x height). Larger pictures are
// refused from their header, before anything is decoded or allocated for them.
inline constexpr std::int64_t MaxPicturePixels = std::int64_t{1} << 28;

// Opens a picture file for reading, by the bytes of its name (image/FileNames.h). Throws
// EInvalidGraphic naming the system's reason ("cannot open it: No such file or
// directory"), EOutOfResources when the system has no file handle left for it.
void OpenPictureFile(QFile& file, const QString& fileName);
