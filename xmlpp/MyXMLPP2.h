#pragma once

#include "xmlpp/XMLPP2.h"

// The default mode's processor: a directive error ends the run.
class MyXMLPP2 : public XMLPP2 {
public:
    using XMLPP2::XMLPP2;

protected:
    // Prints the message and a line feed on standard error and exits with
    // status 1.
    [[noreturn]] void reportError(const std::string& message) override;
};
