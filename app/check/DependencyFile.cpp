#include "check/DependencyFile.h"

#include "io/SafeOutputFile.h"

#include <cstdio>

namespace {

// Drops "./" components: "a/./b" is "a/b", "./a" is "a".
std::string withoutDotComponents(std::string_view path)
{
    std::string result(path);
    for (std::size_t at; (at = result.find("/./")) != std::string::npos;)
        result.erase(at, 2);
    while (result.size() > 2 && result.compare(0, 2, "./") == 0) {
        const std::size_t rest = result.find_first_not_of('/', 2);
        if (rest == std::string::npos)
            break;
        result.erase(0, rest);
    }
    return result;
}

}  // namespace

std::string makeEscaped(std::string_view path)
{
    std::string escaped;
    for (const char c : withoutDotComponents(path)) {
        if (c == ' ' || c == '#' || c == ':')
            escaped += '\\';
        else if (c == '$')
            escaped += '$';
        escaped += c;
    }
    return escaped;
}

std::string makeDependencies(const std::string& target, const std::vector<std::string>& files)
{
    std::string text = makeEscaped(target) + ":";
    for (std::size_t i = 0; i < files.size(); ++i)
        text += (i == 0 ? " " : " \\\n ") + makeEscaped(files[i]);
    text += '\n';
    for (const std::string& file : files)
        text += "\n" + makeEscaped(file) + ":\n";
    return text;
}

bool writeDependencyFile(const std::string& path, const std::string& text, std::string& failureNote)
{
    SafeOutputFile output;
    if (!output.open(path, [&] { return text.size(); }))
        return false;
    if (std::fwrite(text.data(), 1, text.size(), output.file()) != text.size() || !output.commit()) {
        output.abandon();
        failureNote = output.inPlaceNote();
        return false;
    }
    return true;
}
