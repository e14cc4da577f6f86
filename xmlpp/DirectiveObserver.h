#pragma once

#include "diag/RunObserver.h"

#include <string>

class XMLElement;

// What the default mode's walk tells a checking run about elements. The
// walk knows the file of the chain it walks; an element's line is the one
// its reader gave it, and copies made by loops and xmlput have none (-1).
// The observer therefore learns where copies come from, and answers for
// each element with the place of the element it was copied from.
class DirectiveObserver : public RunObserver {
public:
    using RunObserver::warning;

    // A warning about element, reached by the walk in a chain of fileName.
    virtual void warning(const XMLElement* element, const std::string& fileName, const std::string& text) = 0;

    // copy was made from source (its element descendants in the same order,
    // other nodes possibly left out); source was reached in a chain of
    // fileName.
    virtual void copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName) = 0;

    // element was stored by an xmldef reached in a chain of fileName; its
    // descendants were never walked.
    virtual void stored(const XMLElement* element, const std::string& fileName) = 0;
};
