#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>
#include <functional>
#include <string>

#include "gif/GIFHeader.h"
#include "gif/GIFItem.h"
#include "gif/GIFSubImage.h"

// Receives the reader's warnings: things odd but survivable in a file. The program leaves
// it unset; warnings never change what is loaded.
using TGIFWarningEvent = std::function<void(TGIFItem* sender, const std::string& message)>;

// A whole GIF file: header, global colour table and every frame with its extensions and
// decoded pixels. What the program takes from it is Bitmap(): the first frame on the
// logical screen.
//
// Loading raises GIFException (bad data), EOutOfMemory or EInvalidGraphicOperation; the
// image then holds what was read before the error and is of no further use.
class TGIFImage {
public:
    TGIFImage() = default;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    // Forgets frames, colour table and screen size.
    void Clear();
    // Loads from the device's current position. Afterwards a random-access device stands
    // after the bytes read; after an error, where loading started.
    void LoadFromStream(QIODevice& stream);
    // Raises std::runtime_error when the file cannot be opened.
    void LoadFromFile(const QString& fileName);

    // The logical screen's size.
    int Width() const { return FHeader.Width(); }
    int Height() const { return FHeader.Height(); }
    const TGIFHeader& Header() const { return FHeader; }
    TGIFImageList& Images() { return FImages; }
    const TGIFImageList& Images() const { return FImages; }

    // The file's colour table: the global one, else that of frame 0. Raises GIFException
    // "No global or local color table defined" when neither has entries.
    const TGIFColorMap& ColorMap() const;

    // Frame 0 on the logical screen, built on the first request:
    // - no frames: a null picture;
    // - frame 0 exactly as large as the screen: frame 0's own 8-bit picture;
    // - otherwise a 24-bit picture of the screen's size, white, with frame 0's colours at
    //   its left and top (cut at the screen's edges; transparency not applied).
    const QImage& Bitmap();
    // Copies Bitmap() into `target` (a null picture when the file has no frames).
    void AssignTo(QImage& target);

    // True when the file ended inside a frame's image data, before the size-0 block that
    // ends it: a download cut short. The frames keep what was there.
    bool DataCutShort() const { return FDataCutShort; }
    // True when a pixel of frame 0 that Bitmap() shows holds a colour index beyond the
    // frame's colour table (the picture shows such a pixel black). False when there is no
    // colour table at all: Bitmap() raises for that.
    bool ShowsIndexBeyondColorTable() const;

    TGIFWarningEvent OnWarning;
    void Warning(TGIFItem* sender, const std::string& message);

private:
    QImage BuildBitmap();

    TGIFHeader FHeader{this};
    TGIFImageList FImages;
    QImage FBitmap;
    bool FBitmapBuilt = false;
    bool FDataCutShort = false;
};
