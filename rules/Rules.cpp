#include "macros/MacroList.h"
#include "rules/Conditions.h"
#include "rules/Includes.h"
#include "rules/RunBudget.h"

#include <algorithm>

const std::string* findMacro(const MacroMap& macros, std::string_view name)
{
    const auto found = macros.find(std::string(name));
    return found == macros.end() ? nullptr : &found->second;
}

MacroMap macrosAttributeMap(std::string_view list, const MacroMap& current)
{
    std::string items(list);
    items.erase(std::remove(items.begin(), items.end(), '\n'), items.end());
    return mergeMacroMaps(current, macroMapFromList(splitMacroList(items, false)));
}
