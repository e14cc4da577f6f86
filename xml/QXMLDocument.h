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
    // Reads a file named by an include into this document: as load, but the
    // file is opened as an include file (io/FileReading.h: a FIFO without a
    // writer reads as empty), and one of more than maxBytes is not read
    // (fileBytes() tells its size).
    bool loadInclude(const std::string& fileName, std::uint64_t maxBytes);
    // Writes the document; the file appears only when the whole write
    // succeeded. On failure errorMessage() holds "couldn't write NAME", or
    // "FILE was truncated during the run" when a mapped input shrank.
    bool save(const std::string& fileName, unsigned indentUnit, unsigned wrapWidth);
    // Why the file of the last failed load could not be opened (errno).
    int openError() const { return openError_; }

private:
    // Reads the open file (descriptor -1: it could not be opened) and closes it.
    bool readNamedFile(const std::string& fileName, int descriptor, std::uint64_t maxBytes);

    int openError_ = 0;
};
