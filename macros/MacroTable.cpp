#include "macros/MacroTable.h"

#include "macros/ProductMacros.h"

namespace {

std::string aboutProduct(const char* before, const char* after)
{
    return std::string(before) + ProductName + after;
}

}  // namespace

MacroTable::MacroTable()
{
    // The date and time macros are computed when expanded; their stored
    // values stay empty.
    addMacro("Date", "", "Day Month Year e.g. 21 June 2011.");
    addMacro("DateYear", "", "Year e.g. 2011.");
    addMacro("DateMonth", "", "Month e.g. 01 to 12.");
    addMacro("DateDay", "", "Day e.g. 21.");
    addMacro("Time", "", "Hour:Minutes:Seconds e.g. 15:34:03.");
    addMacro("TimeHour", "", "Hour e.g. 15.");
    addMacro("TimeMinute", "", "Minute e.g. 34.");
    addMacro("TimeSecond", "", "Seconds e.g. 03.");
    addMacro("UnixTime", "", "Seconds since 00:00, Jan 1 1970 UTC");
    addMacro("HostArch", "arm64", aboutProduct("The CPU architecture that ", " is running on e.g. x86."));
    addMacro("HostArchClass", "arm",
             aboutProduct("The class of CPU architecture that ", " is running on e.g. intel, arm."));
    addMacro("HostOS", "linux", aboutProduct("The name of the operating system that ", " is running on e.g. win."));
    addMacro("Micro", "ARM", aboutProduct("The ", " target e.g. ARM."));
    addMacro("TargetID", "8", aboutProduct("ID number representing the ", " target."));
    addMacro("HostEXE", "",
             aboutProduct("The file extension for executables on the CPU that ", " is running on e.g. .exe."));
    addMacro("HostDLLExt", ".so",
             aboutProduct("The file extension for dynamic link libraries used by the operating system that ",
                          " is running on e.g. .dll, .so, .dylib."));
    addMacro("HostDLL", ".so_arm64",
             aboutProduct("The file extension for dynamic link libraries on the CPU that ",
                          " is running on e.g. .dll."));
}

MacroTable::~MacroTable() = default;

void MacroTable::addMacro(const std::string& name, const std::string& value, const std::string& description)
{
    if (!description.empty())
        descriptions_.push_back(std::make_unique<MacroPropertyClass>(name, description));
    values_[name] = value;
}

void MacroTable::addPathMacro(const std::string& name, const PathValue& path, const std::string& description)
{
    addMacro(name, path.text(), description);
}
