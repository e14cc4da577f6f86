#include "diag/TraceLog.h"

#include <cstdio>

std::uint32_t diagnosticMask = 0x13;

namespace {

constexpr std::size_t FormatBufferSize = 65536;

TraceSink traceSink = nullptr;

}  // namespace

std::string formatLogLine(const char* category, unsigned flags, const char* format, std::va_list arguments)
{
    static char buffer[FormatBufferSize];
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (length <= 0)
        return std::string();
    std::string line;
    if (category) {
        line += category;
        line += ": ";
    }
    line += buffer;
    if (flags & LogNewline)
        line += '\n';
    return line;
}

void log(const char* category, unsigned flags, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const std::string line = formatLogLine(category, flags, format, arguments);
    va_end(arguments);
    if (traceSink && !line.empty())
        traceSink(line);
}

TraceSink setTraceSink(TraceSink sink)
{
    const TraceSink previous = traceSink;
    traceSink = sink;
    return previous;
}
