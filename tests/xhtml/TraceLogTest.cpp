#include "diag/TraceLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string format(const char* category, unsigned flags, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

std::string format(const char* category, unsigned flags, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::string line = formatLogLine(category, flags, format, arguments);
    va_end(arguments);
    return line;
}

TEST(TraceLog, LineFormatting)
{
    EXPECT_EQ(format("error", 1, "at %d of %s", 3, "x"), "error: at 3 of x\n");
    EXPECT_EQ(format("warning", 0, "w"), "warning: w");
    EXPECT_EQ(format(nullptr, 1, "bare"), "bare\n");
    EXPECT_EQ(format("error", 1, "%s", ""), "");  // nothing at all, not even the prefix
}

TEST(TraceLog, LongMessageIsCutAt65535Characters)
{
    const std::string message(70000, 'm');
    EXPECT_EQ(format("error", 0, "%s", message.c_str()), "error: " + std::string(65535, 'm'));
}
}  // namespace
