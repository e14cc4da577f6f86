#include "xml/QXMLDocument.h"

#include "xml/IncludeFile.h"
#include "xml/SafeOutputFile.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

bool QXMLDocument::load(const std::string& fileName)
{
    // A directory opens for reading on Linux but yields no bytes; treat it
    // as unreadable rather than as an empty document.
    struct stat info {};
    std::FILE* file = nullptr;
    if (::stat(fileName.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        setError(0, "couldn't read %s", fileName.c_str());
        return false;
    }
    const bool ok = readFile(file);
    std::fclose(file);
    return ok;
}

bool QXMLDocument::loadInclude(const std::string& fileName, std::uint64_t maxBytes)
{
    const int descriptor = openIncludeFile(fileName);
    std::FILE* file = descriptor >= 0 ? ::fdopen(descriptor, "rb") : nullptr;
    if (file == nullptr) {
        if (descriptor >= 0)
            ::close(descriptor);
        setFileBytes(0);
        setError(0, "couldn't read %s", fileName.c_str());
        return false;
    }
    const bool ok = readFile(file, maxBytes);
    std::fclose(file);
    return ok;
}

bool QXMLDocument::save(const std::string& fileName, unsigned indentUnit, unsigned wrapWidth)
{
    SafeOutputFile output;
    if (!output.open(fileName)) {
        setError(errorLine(), "couldn't write %s", fileName.c_str());
        return false;
    }
    if (!write(output.file(), indentUnit, wrapWidth) || !output.commit()) {
        setError(errorLine(), "couldn't write %s", fileName.c_str());
        return false;
    }
    return true;
}
