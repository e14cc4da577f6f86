// xmlpp with pauses, for tests that act on a run while it is under way
// (rewrite its input, send it a signal). Built with the tests only; the
// installed programs have no such pauses and read no environment.
//
//   xmlpp_paused MARKER POINT [xmlpp arguments]
//
// At POINT the run creates the file MARKER and waits until it is removed:
//   sized          once the first regular file is sized, before it is read
//   before-write   once the input and its includes are read and processed
//   first-block    once the first block of the output reached its file
//   named          as first-block, with the output in a named temporary
//                  file (as where the file system cannot make one without
//                  a name)
//   own-stack      no pause; the run takes place on the main thread's own
//                  stack, as when no stack can be made for it
#include "app/Driver.h"
#include "app/LargeStack.h"
#include "app/ProcessSetup.h"
#include "app/RunHooks.h"
#include "io/FileReading.h"
#include "io/SafeOutputFile.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* marker = "";

void pause()
{
    static bool paused = false;
    if (paused)
        return;
    paused = true;
    if (std::FILE* file = std::fopen(marker, "w"))
        std::fclose(file);
    while (::access(marker, F_OK) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

class PausingHooks : public RunHooks {
public:
    explicit PausingHooks(bool beforeWrite) : beforeWrite_(beforeWrite) {}
    DirectiveObserver* directiveObserver() override { return nullptr; }
    XhtmlObserver* xhtmlObserver() override { return nullptr; }
    void arguments(int, char**) override {}
    int beforeWrite() override
    {
        if (beforeWrite_)
            pause();
        return -1;
    }
    int afterWrite(const std::string&) override { return 0; }

private:
    bool beforeWrite_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    setUpProcess();
    marker = argv[1];
    const std::string point = argv[2];
    if (point == "first-block" || point == "named")
        firstOutputBlockWrittenForTests = pause;
    if (point == "sized")
        regularFileSizedForTests = pause;
    unnamedTemporaryFilesForTests = point != "named";
    std::vector<char*> arguments{const_cast<char*>("xmlpp")};
    for (int index = 3; index < argc; ++index)
        arguments.push_back(argv[index]);
    arguments.push_back(nullptr);
    const int count = int(arguments.size()) - 1;
    PausingHooks hooks(point == "before-write");
    auto run = [&] { return runDriverOnThisThread(count, arguments.data(), &hooks); };
    return point == "own-stack" ? runOnOwnStack(run) : runOnLargeStack(run);
}
