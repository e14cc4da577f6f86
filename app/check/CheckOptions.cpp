#include "check/CheckOptions.h"

#include "diag/Diagnostics.h"

#include <cstring>
#include <iterator>

namespace {

bool takesFile(const std::string& word)
{
    return word == "--depfile" || word == "-MF" || word == "--macros-file" || word == "--doctype-file";
}

std::string& fileOption(CheckOptions& options, const std::string& word)
{
    if (word == "--macros-file")
        return options.macroListFile;
    if (word == "--doctype-file")
        return options.doctypeFile;
    return options.dependencyFile;
}

const WarningName* findWarning(const std::string& name)
{
    for (const WarningName& row : WarningNames)
        if (row.warning != Warning::None && row.name == name)
            return &row;
    return nullptr;
}

bool startsWith(const std::string& word, const char* prefix, std::string& rest)
{
    if (word.rfind(prefix, 0) != 0)
        return false;
    rest = word.substr(std::strlen(prefix));
    return true;
}

}  // namespace

WarningSettings::WarningSettings()
{
    for (const WarningName& row : WarningNames)
        state_[std::size_t(row.warning)] = State{row.onByDefault, Error::Unset};
}

bool WarningSettings::isError(Warning warning) const
{
    const Error error = state_[std::size_t(warning)].error;
    return error == Error::Yes || (error == Error::Unset && allErrors_);
}

bool WarningSettings::apply(const std::string& option)
{
    if (option == "-Wall") {
        for (State& state : state_)
            state.enabled = true;
        return true;
    }
    if (option == "-Werror") {
        allErrors_ = true;
        return true;
    }
    std::string name;
    bool enable = true;
    Error error = Error::Unset;
    if (startsWith(option, "-Werror=", name))
        error = Error::Yes;
    else if (startsWith(option, "-Wno-error=", name))
        error = Error::No;
    else if (startsWith(option, "-Wno-", name))
        enable = false;
    else if (!startsWith(option, "-W", name))
        return false;
    const WarningName* row = findWarning(name);
    if (row == nullptr)
        return false;
    State& state = state_[std::size_t(row->warning)];
    if (error == Error::No) {
        state.error = Error::No;
        return true;
    }
    state.enabled = enable;
    if (error == Error::Yes)
        state.error = Error::Yes;
    return true;
}

ParsedCommandLine parseCheckCommandLine(int argc, char** argv)
{
    using Action = ParsedCommandLine::Action;
    ParsedCommandLine parsed;
    int index = 1;
    for (; index < argc; ++index) {
        const std::string word = argv[index];
        if (word == "--") {
            ++index;
            break;
        }
        if (word == "-xhtml" || word.empty() || word[0] != '-')
            break;
        if (word == "--help" || word == "--version") {
            parsed.action = word == "--help" ? Action::Help : Action::Version;
            return parsed;
        }
        if (word == "--werror") {
            parsed.options.warnings.setAllErrors(true);
        } else if (word == "--list-warnings") {
            parsed.action = Action::ListWarnings;
        } else if (word == "--quiet") {
            parsed.options.quiet = true;
        } else if (word == "--no-output") {
            parsed.options.writeNothing = true;
        } else if (word == "--keep-unchanged") {
            parsed.options.keepUnchanged = true;
        } else if (const std::size_t equals = word.find('=');
                   equals != std::string::npos && word[1] == '-' && takesFile(word.substr(0, equals))) {
            fileOption(parsed.options, word.substr(0, equals)) = word.substr(equals + 1);
        } else if (takesFile(word)) {
            if (index + 1 >= argc) {
                parsed.action = Action::BadUsage;
                parsed.problem = formatMessage(Diag::OptionNeedsArgument, {word});
                return parsed;
            }
            fileOption(parsed.options, word) = argv[++index];
        } else if (word.rfind("-W", 0) == 0) {
            if (!parsed.options.warnings.apply(word)) {
                parsed.action = Action::BadUsage;
                parsed.problem = formatMessage(Diag::UnknownWarningOption, {word});
                return parsed;
            }
        } else {
            parsed.action = Action::BadUsage;
            parsed.problem = formatMessage(Diag::UnrecognizedOption, {word});
            return parsed;
        }
    }
    parsed.firstRunArgument = index;
    return parsed;
}

std::string checkUsage(const std::string& program)
{
    return "Usage: " + program + " [OPTIONS] [--] <infile> <outfile> [macro1=value;macro2=value;..] [doctype]\n" +
           "       " + program + " [OPTIONS] [--] -xhtml <infile> <outfile> [macro1=value;macro2=value;..]\n";
}

std::string checkHelp(const std::string& program)
{
    return checkUsage(program) + "\n"
                                 "Runs xmlpp with the arguments that follow the options: the same output,\n"
                                 "messages and exit status. It also reports problems that xmlpp leaves\n"
                                 "silent as warnings on standard error (FILE:LINE:COLUMN: warning: TEXT\n"
                                 "[-WNAME]), locates the faults that stop xmlpp, and can write the files\n"
                                 "the run read as a Make dependency file.\n"
                                 "\n"
                                 "Options:\n"
                                 "  --depfile FILE, -MF FILE  write a Make dependency file naming the output,\n"
                                 "                            the input and every file it included\n"
                                 "  -WNAME, -Wno-NAME         turn the warning NAME on or off\n"
                                 "  -Wall                     turn every warning on, those off by default too\n"
                                 "  -Werror=NAME              the warning NAME fails the run (exit status 2)\n"
                                 "  -Wno-error=NAME           the warning NAME stays a warning under --werror\n"
                                 "  --werror                  any warning fails the run (exit status 2);\n"
                                 "                            then nothing is written\n"
                                 "  --list-warnings           print the warnings' names, whether each is on,\n"
                                 "                            and what it is about, and exit\n"
                                 "  --quiet                   no warnings\n"
                                 "  --no-output               check only: write neither the output nor the\n"
                                 "                            dependency file\n"
                                 "  --keep-unchanged          leave the output, and the dependency file, as\n"
                                 "                            they are (bytes and time) when their new bytes\n"
                                 "                            are the same\n"
                                 "  --macros-file FILE        the macro list is FILE's bytes less one line\n"
                                 "                            feed at the end, in place of the argument\n"
                                 "  --doctype-file FILE       the DOCTYPE argument the same way (default mode)\n"
                                 "  --help                    print this help and exit\n"
                                 "  --version                 print the version and exit\n"
                                 "\n"
                                 "Options end at '--', at '-xhtml' and at the first word that does not\n"
                                 "start with '-'.\n"
                                 "\n"
                                 "Exit status: 0 on success, 1 on every failure xmlpp reports, 2 for a bad\n"
                                 "option or a warning treated as an error.\n";
}

std::string warningList(const WarningSettings& settings)
{
    std::string list;
    for (const WarningName& row : WarningNames) {
        if (row.warning == Warning::None)
            continue;
        std::string line = std::string(row.name);
        line.resize(19, ' ');
        line += settings.enabled(row.warning) ? "on   " : "off  ";
        list += line + std::string(row.meaning) + "\n";
    }
    return list;
}
