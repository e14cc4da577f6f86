#include "xml/IncludeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int openIncludeFile(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return -1;
    struct stat info {};
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode) || flags < 0 ||
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

long long seekableSize(int descriptor)
{
    const off_t end = ::lseek(descriptor, 0, SEEK_END);
    if (end < 0 || ::lseek(descriptor, 0, SEEK_SET) != 0)
        return -1;
    return static_cast<long long>(end);
}
