#include "check/CheckOptions.h"

#include "diag/Diagnostics.h"

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

}  // namespace

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
            parsed.options.warningsAreErrors = true;
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
                                 "silent as warnings on standard error (FILE:LINE: warning: TEXT), and can\n"
                                 "write the files the run read as a Make dependency file.\n"
                                 "\n"
                                 "Options:\n"
                                 "  --depfile FILE, -MF FILE  write a Make dependency file naming the output,\n"
                                 "                            the input and every file it included\n"
                                 "  --werror                  any warning fails the run (exit status 2);\n"
                                 "                            then nothing is written\n"
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
                                 "option or a warning under --werror.\n";
}
