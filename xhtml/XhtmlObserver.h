#pragma once

#include "diag/RunObserver.h"
#include "macros/MacroMap.h"

#include <QDomElement>
#include <QDomNode>
#include <QString>

#include <string_view>

// What the -xhtml walk tells a checking run about elements. Qt gives each
// parsed element the line and column where its start tag ends, but the
// copy of an included root that the walk imports has none (-1): the
// observer learns where imported nodes come from and which include brought
// a file in, and answers with the place of the original and the includes
// around it.
class XhtmlObserver : public RunObserver {
public:
    // A warning about element, reached by the walk in a chain of fileName.
    virtual void warning(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic) = 0;

    // The fault at element that ends the run (a bound); the driver's
    // message follows.
    virtual void fatal(const QDomNode& element, const QString& fileName, const Diagnostic& diagnostic) = 0;

    // The page fileName is not well-formed, at Qt's line and column.
    virtual void pageMalformed(const QString& fileName, int line, int column, const Diagnostic& diagnostic) = 0;

    // The file of the include being walked is not well-formed, at Qt's line
    // and column.
    virtual void includedFileMalformed(int line, int column, const Diagnostic& diagnostic) = 0;

    // An element that is not a directive, as the walk meets it: walked, or
    // a child of a switch that is neither case nor default.
    enum class Plain { Walked, SwitchChild };
    virtual void plainElement(const QDomElement& element, const QString& fileName, Plain how) = 0;

    // element (if, ifnot or switch) tests the macro name, which macros does
    // not hold.
    virtual void undefinedMacroTested(const QDomNode& element, const QString& fileName, std::string_view name,
                                      const MacroMap& macros) = 0;

    // The include element, reached in a chain of fileName, has opened its
    // file: until includeLeft, the chains of that file are walked with
    // includedFile (this very string) as their file name.
    virtual void includeEntered(const QDomNode& include, const QString& fileName, const QString& includedFile) = 0;
    virtual void includeLeft() = 0;

    // copy was imported from source, an element parsed from fileName.
    virtual void imported(const QDomNode& source, const QDomNode& copy, const QString& fileName) = 0;
};
