#include "macros/MacroList.h"

namespace {

constexpr char ItemSeparator = ';';
constexpr char EscapeCharacter = '\\';

void endItem(std::vector<std::string>& items, std::string& item, bool keepEmpty)
{
    if (!item.empty() || keepEmpty)
        items.push_back(item);
    item.clear();
}

}  // namespace

std::vector<std::string> splitMacroList(std::string_view text, bool keepEmpty)
{
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == EscapeCharacter) {
            if (i + 1 < text.size())
                ++i;
            item += text[i];
        } else if (c == ItemSeparator) {
            endItem(items, item, keepEmpty);
        } else {
            item += c;
        }
    }
    endItem(items, item, keepEmpty);
    return items;
}

MacroMap macroMapFromList(const std::vector<std::string>& items)
{
    MacroMap macros;
    for (const std::string& item : items) {
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos)
            macros[item] = std::string();
        else
            macros[item.substr(0, equals)] = item.substr(equals + 1);
    }
    return macros;
}

MacroMap mergeMacroMaps(const MacroMap& base, const MacroMap& overlay)
{
    MacroMap merged = base;
    for (const auto& [name, value] : overlay)
        merged[name] = value;
    return merged;
}
