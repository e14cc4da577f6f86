#pragma once

#include "diag/RunObserver.h"
#include "macros/MacroMap.h"

#include <string>
#include <string_view>

class XMLElement;

// What the default mode's walk tells a checking run about elements. The
// walk knows the file of the chain it walks; an element's line is the one
// its reader gave it, and copies made by loops and xmlput have none (-1).
// The observer therefore learns where copies come from and which include
// brought a file in, and answers for each element with the place of the
// element it was copied from and the includes around it.
class DirectiveObserver : public RunObserver {
public:
    // A warning about element (null: about the file itself), reached by the
    // walk in a chain of fileName.
    virtual void warning(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic) = 0;

    // The fault at element that ends the run; xmlpp's own message follows.
    virtual void fatal(const XMLElement* element, const std::string& fileName, const Diagnostic& diagnostic) = 0;

    // An element that stays in the output as it is, as the walk meets it:
    // walked (a plain element, or a directive left in place), a child of a
    // switch that is neither case nor default (which the switch drops), or
    // the root of an included file that stays.
    enum class Plain { Walked, SwitchChild, IncludedRoot };
    virtual void plainElement(const XMLElement* element, const std::string& fileName, Plain how) = 0;

    // element (if, ifnot or switch) tests the macro name, which macros, the
    // map in force there, does not hold.
    virtual void undefinedMacroTested(const XMLElement* element, const std::string& fileName, std::string_view name,
                                      const MacroMap& macros) = 0;

    // The include element, reached in a chain of fileName, reads its file:
    // until includeLeft, what is read comes from that file, and the chains
    // of that file are walked with includedFile (this very string) as their
    // file name.
    virtual void includeEntered(const XMLElement* include, const std::string& fileName,
                                const std::string& includedFile) = 0;
    virtual void includeLeft() = 0;

    // copy was made from source (its element descendants in the same order,
    // other nodes possibly left out); source was reached in a chain of
    // fileName. loopMacros: the map of the loop iteration that made the
    // copy, null for an xmlput.
    virtual void copied(const XMLElement* source, const XMLElement* copy, const std::string& fileName,
                        const MacroMap* loopMacros) = 0;

    // element was stored by an xmldef reached in a chain of fileName; its
    // descendants were never walked.
    virtual void stored(const XMLElement* element, const std::string& fileName) = 0;
};
