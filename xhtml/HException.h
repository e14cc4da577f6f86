#pragma once

#include "diag/Diagnostics.h"

#include <stdexcept>
#include <string>

// The failure of an -xhtml run: carries the message that the driver prints as
// "error: <message>" before it exits with status 1, and which message of the
// table (diag/Diagnostics.h) it is.
class HException : public std::runtime_error {
public:
    HException(Diag id, std::initializer_list<DiagArg> args) : std::runtime_error(formatMessage(id, args)), id_(id) {}

    Diag id() const { return id_; }

private:
    Diag id_;
};
