#pragma once

#include <string>

class TGIFImage;

// Base of the parts of a GIF file. Each part knows the image it belongs to and passes its
// warnings to that image's warning event.
class TGIFItem {
public:
    explicit TGIFItem(TGIFImage* image) : FImage(image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem&) = delete;
    TGIFItem& operator=(const TGIFItem&) = delete;

    TGIFImage* Image() const { return FImage; }

    // Reports something odd but survivable in the file; it never stops the load.
    void Warning(const std::string& message);

private:
    TGIFImage* FImage;
};
