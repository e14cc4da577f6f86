#include "macros/MacroList.h"
#include "rules/Conditions.h"
#include "rules/Includes.h"
#include "rules/RunBudget.h"
#include "rules/RunMessages.h"

#include <algorithm>
#include <cstdio>

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

std::string RunBudget::spentMessage() const
{
    std::size_t most = 0;
    for (std::size_t kind = 1; kind < WorkKinds; ++kind)
        if (bytes_[kind] > bytes_[most])
            most = kind;
    const WorkDescription& description = WorkDescriptions[most];
    std::string amount;
    if (description.item != nullptr)
        amount = std::to_string(items_[most]) + " " + description.item + (items_[most] == 1 ? "" : "s");
    else if (bytes_[most] >= std::uint64_t(10) << 20)
        amount = std::to_string(bytes_[most] >> 20) + " MiB";
    else
        amount = std::to_string(bytes_[most] >> 10) + " KiB";
    char text[256];
    std::snprintf(text, sizeof text, BudgetSpentFormat, static_cast<unsigned long long>(limit_ >> 20), description.what,
                  amount.c_str());
    return text;
}
