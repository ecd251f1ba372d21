#include "gif/GIFItem.h"

#include "gif/GIFImage.h"

void TGIFItem::Warning(const std::string& message) {
    if (FImage != nullptr) FImage->Warning(this, message);
}
