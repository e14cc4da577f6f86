#pragma once

#include <memory>
#include <string>

// A shared path text. Copies share one text; the text is normalised once,
// on its first read: empty and "." components are dropped (a leading "/"
// is kept), and ".." removes the component before it when there is one.
class PathValue {
public:
    PathValue();
    explicit PathValue(std::string text);

    const std::string& text() const;

private:
    struct Data {
        std::string text;
        bool normalised = false;
    };
    std::shared_ptr<Data> data_;
};

// The running program's path: the target of "/proc/self/exe", or argv0
// when the link cannot be read or its target does not fit in 1023 bytes.
std::string executablePath(const char* argv0);

// The target of the symbolic link linkPath read into a 1024-byte buffer;
// fallback (empty when null) unless the read gives 1 to 1023 bytes.
std::string readLinkTarget(const char* linkPath, const char* fallback);

// Sets the executable directory (the canonical directory holding the
// executable) and the installation directory (that directory levelsUp
// levels higher, canonical). A directory that cannot be made canonical
// gives an empty path.
void setApplicationPaths(const std::string& executablePath, int levelsUp);

const PathValue& executableDirectory();
const PathValue& installDirectory();
std::string installDir();
