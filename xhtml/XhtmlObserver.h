#pragma once

#include "diag/RunObserver.h"

#include <QDomNode>
#include <QString>

// What the -xhtml walk tells a checking run about elements. Qt gives each
// parsed element the line where its start tag ends, but the copy of an
// included root that the walk imports has none (-1): the observer learns
// where imported nodes come from and answers with the line of the original.
class XhtmlObserver : public RunObserver {
public:
    using RunObserver::warning;

    // A warning about element, reached by the walk in a chain of fileName.
    virtual void warning(const QDomNode& element, const QString& fileName, const QString& text) = 0;

    // copy was imported from source, an element parsed from fileName.
    virtual void imported(const QDomNode& source, const QDomNode& copy, const QString& fileName) = 0;
};
