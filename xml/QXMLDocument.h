#pragma once

#include "xml/XMLDocument.h"

#include <string>

// The document with file operations. File names are byte strings, used as
// given: a name that opens is also the name printed in messages.
class QXMLDocument : public XMLDocument {
public:
    using XMLDocument::XMLDocument;

    // Reads the file into this document. On failure errorMessage() holds
    // "couldn't read NAME" (line 0) or the reader's message and line.
    bool load(const std::string& fileName);
    // Writes the document; the file appears only when the whole write
    // succeeded. On failure errorMessage() holds "couldn't write NAME".
    bool save(const std::string& fileName, unsigned indentUnit, unsigned wrapWidth);
};
