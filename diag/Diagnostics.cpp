#include "diag/Diagnostics.h"

#include <cstdio>

namespace {

template <class Args, class TextOf>
std::string substitute(std::string_view text, const Args& args, TextOf textOf)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t index = std::size_t(text[++i] - '1');
            if (index < args.size())
                result += textOf(*(args.begin() + index));
            continue;
        }
        result += c;
    }
    return result;
}

}  // namespace

std::string formatMessage(Diag id, std::initializer_list<DiagArg> args)
{
    return substitute(diagnosticRow(id).text, args,
                      [](const DiagArg& arg) -> const std::string& { return arg.text(); });
}

std::string formatMessage(Diag id, const std::vector<std::string>& args)
{
    return substitute(diagnosticRow(id).text, args, [](const std::string& arg) -> const std::string& { return arg; });
}

void printMessage(Diag id, std::initializer_list<DiagArg> args)
{
    const std::string line = formatMessage(id, args) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}
