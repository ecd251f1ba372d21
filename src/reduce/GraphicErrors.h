#pragma once

#include <stdexcept>

// The exceptions of the bitmap layer. Colour reduction and the GIF reader raise them;
// picture loading catches them all and reports the picture as not loadable.

// A picture whose data cannot be understood.
struct EInvalidGraphic : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An operation on a bitmap that its state does not allow (a row outside the picture).
struct EInvalidGraphicOperation : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Memory for a picture could not be obtained.
struct EOutOfMemory : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The system had none left of something else a picture needs (file handles). Like a lack
// of memory, no fault of the picture: with less going on at once it may well load.
struct EOutOfResources : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The image library's own error: bad GIF data, unsupported formats, bad dimensions.
struct GIFException : EInvalidGraphic {
    using EInvalidGraphic::EInvalidGraphic;
};
