#include "app/Driver.h"
#include "app/LargeStack.h"
#include "app/ProcessSetup.h"
#include "check/ArgumentFiles.h"
#include "check/CheckOptions.h"
#include "check/CheckRun.h"
#include "diag/Diagnostics.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Standard output must take the whole text: a full disk is a failure.
int printed(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int badUsage(const std::string& problem, const char* program)
{
    std::fprintf(stderr, "xmlpp-check: %s\n%s%s\n", problem.c_str(), checkUsage(program).c_str(),
                 formatMessage(Diag::TryHelp, {program}).c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    setUpProcess();
    char defaultName[] = "xmlpp-check";
    char* program = argc > 0 && argv[0] != nullptr ? argv[0] : defaultName;
    const ParsedCommandLine parsed = parseCheckCommandLine(argc, argv);
    switch (parsed.action) {
    case ParsedCommandLine::Action::Help:
        return printed(checkHelp(program));
    case ParsedCommandLine::Action::Version:
        return printed("xmlpp-check " XMLPP_VERSION "\n");
    case ParsedCommandLine::Action::ListWarnings:
        return printed(warningList(parsed.options.warnings));
    case ParsedCommandLine::Action::BadUsage:
        return badUsage(parsed.problem, program);
    case ParsedCommandLine::Action::Run:
        break;
    }
    RunArguments words =
        runArguments(parsed.options, std::vector<std::string>(argv + parsed.firstRunArgument, argv + argc));
    if (words.status == 2)
        return badUsage(words.problem, program);
    if (!words.problem.empty()) {
        std::fprintf(stderr, "xmlpp-check: %s\n", words.problem.c_str());
        return words.status;
    }
    // xmlpp's arguments, after the companion's own name.
    std::vector<char*> arguments{program};
    for (std::string& word : words.words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    CheckRun run(parsed.options);
    return runOnLargeStack([&] { return runDriverOnThisThread(int(arguments.size()) - 1, arguments.data(), &run); });
}
