#include "xml/QXMLDocument.h"

#include "diag/RunObserver.h"
#include "io/FileReading.h"
#include "io/SafeOutputFile.h"

#include <cerrno>
#include <unistd.h>

bool QXMLDocument::load(const std::string& fileName)
{
    return readNamedFile(fileName, openInputFile(fileName), MaxFileBytes);
}

bool QXMLDocument::loadInclude(const std::string& fileName, std::uint64_t maxBytes)
{
    return readNamedFile(fileName, openIncludeFile(fileName), maxBytes);
}

bool QXMLDocument::readNamedFile(const std::string& fileName, int descriptor, std::uint64_t maxBytes)
{
    openError_ = descriptor >= 0 ? 0 : errno;
    if (observer() != nullptr)
        observer()->fileRead(fileName, descriptor >= 0, openError_);
    if (descriptor < 0) {
        setFileBytes(0);
        setError(0, Diag::CouldNotRead, {fileName.c_str()});
        return false;
    }
    const bool ok = readFile(descriptor, maxBytes, fileName);
    ::close(descriptor);
    return ok;
}

bool QXMLDocument::save(const std::string& fileName, unsigned indentUnit, unsigned wrapWidth)
{
    SafeOutputFile output;
    // The length is asked only for a file written in place, which is
    // reserved before it is changed.
    if (!output.open(fileName, [&] { return outputBytes(indentUnit, wrapWidth); })) {
        setError(errorLine(), Diag::CouldNotWrite, {fileName.c_str()});
        return false;
    }
    const bool written = write(output.file(), indentUnit, wrapWidth);
    if (!written || !output.commit()) {
        output.abandon();
        setError(errorLine(), Diag::CouldNotWrite, {fileName + output.inPlaceNote()});
        return false;
    }
    return true;
}
