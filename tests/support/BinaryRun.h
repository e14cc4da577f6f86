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

// The user of Options::unprivileged: nobody.
constexpr uid_t UnprivilegedUser = 65534;
constexpr gid_t UnprivilegedGroup = 65534;

inline bool dropPrivileges()
{
    return ::setgroups(0, nullptr) == 0 && ::setgid(UnprivilegedGroup) == 0 && ::setuid(UnprivilegedUser) == 0;
}

// The binary as an unprivileged user can reach it: the build tree may sit
// in a folder only its owner can enter (a checkout under /root, or in a
// mktemp -d folder), so runs that drop privileges execute a copy in an open
// folder under the temporary folder. Made once per test process, removed
// when it ends.
inline const fs::path& reachableBinary()
{
    struct Copy {
        fs::path folder = fs::temp_directory_path() / ("xmlpp-binary-" + std::to_string(::getpid()));
        fs::path binary = folder / "xmlpp";
        Copy()
        {
            const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
            fs::remove_all(folder);
            fs::create_directory(folder);
            fs::permissions(folder, open);
            fs::copy_file(XMLPP_BINARY, binary);
            fs::permissions(binary, open);
        }
        ~Copy()
        {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    };
    static const Copy copy;
    return copy.binary;
}

// Why runs as the unprivileged user cannot work in the folder work (empty
// when they can): the temporary folder itself may be closed to that user.
inline std::string unprivilegedRunProblem(const fs::path& work)
{
    if (::getuid() != 0)
        return "";
    const fs::path& binary = reachableBinary();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(dropPrivileges() && ::access(binary.c_str(), X_OK) == 0 &&
                      ::access(work.c_str(), W_OK | X_OK) == 0
                  ? 0
                  : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return "";
    return "user " + std::to_string(UnprivilegedUser) + " cannot execute " + binary.string() + " or write in " +
           work.string() + " (is the temporary folder closed to other users?)";
}

struct Options {
    // Bytes a file written by the run may hold (RLIMIT_FSIZE, with SIGXFSZ
    // ignored so that writing fails with EFBIG instead); -1 for no limit.
    long fileSizeLimit = -1;
    // Run as an unprivileged user when the tests run as root, so that
    // file permissions apply (see unprivilegedRunProblem).
    bool unprivileged = false;
    // Standard output appended to this file, as a shell's ">>" does; empty:
    // a file beside the working folder, returned in Result::out.
    std::string appendStdoutTo;
};

struct Result {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs XMLPP_BINARY with the program name "xmlpp" and args, in work. A run
// that hangs ends by SIGALRM after two minutes instead of stalling the test.
inline Result run(const fs::path& work, const std::vector<std::string>& args, const Options& options = {})
{
    const fs::path outFile = work.parent_path() / "stdout.txt";
    const fs::path errFile = work.parent_path() / "stderr.txt";
    fs::remove(outFile);  // made afresh by whichever user runs next
    fs::remove(errFile);
    const std::string out = options.appendStdoutTo.empty() ? outFile.string() : options.appendStdoutTo;
    const bool dropping = options.unprivileged && ::getuid() == 0;
    const std::string binary = dropping ? reachableBinary().string() : std::string(XMLPP_BINARY);
    const pid_t pid = fork();
    if (pid == 0) {
        if (dropping && !dropPrivileges())
            _exit(126);
        if (chdir(work.c_str()) != 0 || !freopen(out.c_str(), "ab", stdout) || !freopen(errFile.c_str(), "wb", stderr))
            _exit(127);
        alarm(120);
        if (options.fileSizeLimit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<std::string> copies(args);
        std::vector<char*> argv{const_cast<char*>("xmlpp")};
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
