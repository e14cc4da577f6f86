#include "check/ArgumentFiles.h"

#include "diag/Diagnostics.h"
#include "io/FileReading.h"

#include <unistd.h>

namespace {

// The argument a file holds; false with problem set when it cannot be one.
bool readArgument(const std::string& path, const char* what, std::string& argument, std::string& problem)
{
    const int descriptor = openInputFile(path);
    if (descriptor < 0) {
        problem = formatMessage(Diag::ArgumentFileUnreadable, {what, path});
        return false;
    }
    const FileRead read = readBounded(descriptor, MaxArgumentFileBytes, FileSizing::ReadToEnd, [&](std::size_t size) {
        argument.resize(size);
        return argument.data();
    });
    ::close(descriptor);
    argument.resize(read.storedBytes);
    if (read.tooLarge) {
        problem = formatMessage(Diag::ArgumentFileTooLarge, {what, path, MaxArgumentFileBytes >> 20});
        return false;
    }
    // A command-line argument ends at its first zero byte.
    if (argument.find('\0') != std::string::npos) {
        problem = formatMessage(Diag::ArgumentFileHoldsZero, {what, path});
        return false;
    }
    if (!argument.empty() && argument.back() == '\n')
        argument.pop_back();
    return true;
}

RunArguments misfit(const std::string& problem)
{
    return {{}, problem, 2};
}

}  // namespace

RunArguments runArguments(const CheckOptions& options, std::vector<std::string> words)
{
    const bool xhtml = !words.empty() && words[0] == "-xhtml";
    // Arguments before the list: the input and output, after -xhtml.
    const std::size_t listAt = xhtml ? 3 : 2;
    const bool hasList = !options.macroListFile.empty();
    const bool hasDoctype = !options.doctypeFile.empty();
    if (hasDoctype && xhtml)
        return misfit(formatMessage(Diag::DoctypeFileInXhtmlForm));
    for (const auto& [given, option] : {std::pair{hasList, "--macros-file"}, {hasDoctype, "--doctype-file"}}) {
        if (given && words.size() < listAt)
            return misfit(formatMessage(Diag::ArgumentFileNeedsFiles, {option}));
    }
    if (hasList && words.size() > listAt)
        return misfit(formatMessage(Diag::MacroListGivenTwice));
    if (hasDoctype && words.size() > listAt + 1)
        return misfit(formatMessage(Diag::DoctypeGivenTwice));

    RunArguments result;
    std::string argument;
    if (hasList) {
        if (!readArgument(options.macroListFile, "macro list", argument, result.problem))
            return {{}, result.problem, 1};
        words.push_back(argument);
    }
    if (hasDoctype) {
        if (!readArgument(options.doctypeFile, "DOCTYPE", argument, result.problem))
            return {{}, result.problem, 1};
        if (words.size() == listAt)
            words.emplace_back();
        words.push_back(argument);
    }
    result.words = std::move(words);
    return result;
}
