#pragma once

#include <stdexcept>
#include <string>

// The failure of an -xhtml run: carries the message that the driver prints as
// "error: <message>" before it exits with status 1.
class HException : public std::runtime_error {
public:
    explicit HException(const std::string& message) : std::runtime_error(message) {}
};
