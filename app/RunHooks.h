#pragma once

#include <string>

class DirectiveObserver;
class XhtmlObserver;

// What a companion program adds to a run of the driver (xmlpp-check): an
// observer for each walker, a look at the arguments, and a say before and
// after the output is written. xmlpp itself runs without hooks.
class RunHooks {
public:
    virtual ~RunHooks() = default;

    virtual DirectiveObserver* directiveObserver() = 0;
    virtual XhtmlObserver* xhtmlObserver() = 0;

    // The run's arguments (argv[0] the program), once they are known to be
    // enough for a run.
    virtual void arguments(int argc, char** argv) = 0;

    // The document is processed. -1 lets the output be written; any other
    // value is the exit status with which the run ends, writing nothing.
    virtual int beforeWrite() = 0;

    // The output was written to outputName: the exit status of the run.
    virtual int afterWrite(const std::string& outputName) = 0;
};
