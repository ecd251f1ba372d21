#pragma once

#include <stdexcept>

// A file could not be opened, read, created or written. The message names the path and
// the reason given by the system.
struct EInOutError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The platform picture could not take an image handed to it.
struct EPictureError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raised for icon files that cannot be used. Its two messages are "Cannot open icon
// file" (the file does not exist) and "Icon file is not valid" (a read runs past the
// end of the file, or the file is too short for its own header).
struct EInvalidIcon : std::runtime_error {
    using std::runtime_error::runtime_error;
};
