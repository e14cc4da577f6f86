#pragma once

// Runs the built xmlpp binary in a working folder and collects its exit
// status and output, for the tests that check the program from outside.

#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef XMLPP_RUN_ALARM_SECONDS
#define XMLPP_RUN_ALARM_SECONDS 120
#endif

namespace binary_run {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Options {
    // Bytes a file written by the run may hold (RLIMIT_FSIZE; the programs
    // ignore SIGXFSZ themselves, so writing past it fails with EFBIG); -1
    // for no limit.
    long fileSizeLimit = -1;
    // The run's address space and main stack (RLIMIT_AS, RLIMIT_STACK), in
    // bytes; -1 for no limit.
    long addressSpaceLimit = -1;
    long stackLimit = -1;
    // Another user and group to run as (the test must run as root); -1:
    // the test's own.
    long userId = -1;
    // Standard output appended to this file, as a shell's ">>" does; empty:
    // a file beside the working folder, returned in Result::out.
    std::string appendStdoutTo;
    // Another copy of the program to run; empty: XMLPP_BINARY.
    std::string binary;
    // argv[0] of the run.
    std::string programName = "xmlpp";
};

struct Result {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs XMLPP_BINARY (or options.binary) with the program name
// options.programName and args, in work. A run
// that hangs ends by SIGALRM after XMLPP_RUN_ALARM_SECONDS (two minutes
// unless a test sets more) instead of stalling the test.
inline Result run(const fs::path& work, const std::vector<std::string>& args, const Options& options = {})
{
    const fs::path outFile = work.parent_path() / "stdout.txt";
    const fs::path errFile = work.parent_path() / "stderr.txt";
    fs::remove(outFile);
    fs::remove(errFile);
    const std::string out = options.appendStdoutTo.empty() ? outFile.string() : options.appendStdoutTo;
    const std::string binary = options.binary.empty() ? std::string(XMLPP_BINARY) : options.binary;
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(work.c_str()) != 0 || !freopen(out.c_str(), "ab", stdout) || !freopen(errFile.c_str(), "wb", stderr))
            _exit(127);
        alarm(XMLPP_RUN_ALARM_SECONDS);
        if (options.fileSizeLimit >= 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.userId >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(options.userId)) != 0 ||
                                    ::setuid(uid_t(options.userId)) != 0))
            _exit(127);
        for (const auto& [resource, bytes] :
             {std::pair{RLIMIT_AS, options.addressSpaceLimit}, std::pair{RLIMIT_STACK, options.stackLimit}}) {
            const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
            if (bytes >= 0)
                setrlimit(resource, &limit);
        }
        std::vector<std::string> copies(args);
        std::string program = options.programName;
        std::vector<char*> argv{program.data()};
        for (auto& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (options.appendStdoutTo.empty())
        result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

}  // namespace binary_run
