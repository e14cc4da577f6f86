#pragma once

#include "macros/MacroMap.h"

#include <string>
#include <string_view>

// The rules of includes that both walkers share, written once. File names
// are text of the walker's own character type (bytes in the default mode,
// Qt's 16-bit text in the -xhtml mode).

// The directory of a file name: "." for a bare name, "/" for a file at the
// top of the tree.
template <class Char>
std::basic_string_view<Char> directoryOf(std::basic_string_view<Char> fileName)
{
    const std::size_t slash = fileName.rfind(Char('/'));
    if (slash == std::basic_string_view<Char>::npos) {
        static const Char dot[] = {Char('.')};
        return std::basic_string_view<Char>(dot, 1);
    }
    return fileName.substr(0, slash == 0 ? 1 : slash);
}

// Where the file an include names is: a name that does not start with "/"
// is relative to the directory of the current file.
template <class Char>
std::basic_string<Char> resolveIncludeName(std::basic_string_view<Char> name, std::basic_string_view<Char> currentFile)
{
    if (!name.empty() && name[0] == Char('/'))
        return std::basic_string<Char>(name);
    std::basic_string<Char> path(directoryOf(currentFile));
    path += Char('/');
    path += name;
    return path;
}

// Whether the material that an include (or an xmlput) brings in is walked
// with a map of its own, made from its macros attribute: when it has one,
// and expansion is on where it stands or it asks for it with expand_macros.
// That walk then expands with the flag on.
inline bool usesMacrosAttribute(bool expandFlag, bool hasExpandMacros, bool hasMacros)
{
    return (expandFlag || hasExpandMacros) && hasMacros;
}

// The map of a macros attribute ("name=value;..." with line feeds removed,
// as the command line's list is read) laid over the current map.
MacroMap macrosAttributeMap(std::string_view list, const MacroMap& current);
