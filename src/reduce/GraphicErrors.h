#pragma once

#include <stdexcept>
#include <string>

// The exceptions of the bitmap layer. Colour reduction and the GIF reader raise them;
// picture loading catches them all and reports the picture as not loadable.

// A picture whose data cannot be understood.
class EInvalidGraphic : public std::runtime_error {
public:
    explicit EInvalidGraphic(const std::string& message) : std::runtime_error(message) {}
};

// An operation on a bitmap that its state does not allow (a row outside the picture).
class EInvalidGraphicOperation : public std::runtime_error {
public:
    explicit EInvalidGraphicOperation(const std::string& message) : std::runtime_error(message) {}
};

// Memory for a picture could not be obtained.
class EOutOfMemory : public std::runtime_error {
public:
    explicit EOutOfMemory(const std::string& message) : std::runtime_error(message) {}
};

// The image library's own error: bad GIF data, unsupported formats, bad dimensions.
class GIFException : public EInvalidGraphic {
public:
    explicit GIFException(const std::string& message) : EInvalidGraphic(message) {}
};
