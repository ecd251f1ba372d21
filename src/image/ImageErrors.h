#pragma once

#include <stdexcept>
#include <string>

// A file could not be opened, read, created or written. The message names the path and
// the reason given by the system.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const std::string& message) : std::runtime_error(message) {}
};

// The platform picture could not take an image handed to it.
class EPictureError : public std::runtime_error {
public:
    explicit EPictureError(const std::string& message) : std::runtime_error(message) {}
};
