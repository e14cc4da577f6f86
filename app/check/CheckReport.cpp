#include "check/CheckReport.h"

#include <cstdio>

void CheckReport::fileRead(const std::string& path)
{
    if (seenFiles_.insert(path).second)
        files_.push_back(path);
}

void CheckReport::warning(const std::string& file, int line, const std::string& text)
{
    print(file + ":" + std::to_string(line) + ": warning: " + text + "\n");
}

void CheckReport::warning(const std::string& text)
{
    print("xmlpp-check: warning: " + text + "\n");
}

void CheckReport::print(const std::string& line)
{
    if (!quiet_ && warnings_.insert(line).second)
        std::fputs(line.c_str(), stderr);
}
