#pragma once

#include <csignal>
#include <thread>
#include <utility>

// SIGINT, SIGTERM and SIGHUP end a run from outside (Ctrl-C, kill, a closed
// terminal). A run must not leave a named temporary file behind then: the
// names it creates are recorded here, and a handler removes them before the
// signal ends the process as it would have without the handler.

// Installs that handler for each of the three signals that is not ignored:
// a signal ignored at start (nohup, "cmd &" without job control) stays
// ignored. Called once at start-up, before any thread starts.
void installTerminationHandlers();

// Blocks the three signals on the calling thread for its lifetime. Creating
// and recording a name, and renaming or removing it and forgetting it, take
// place inside one such block, so that the handler sees every name that
// exists.
class TerminationSignalsBlocked {
public:
    TerminationSignalsBlocked();
    ~TerminationSignalsBlocked();
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

// Records a file name for the handler to remove (a copy in a fixed buffer;
// async-signal-safe to read). Returns the slot, -1 when the name is too
// long or every slot is taken (the name is then not removed on a signal).
int recordTemporaryName(const char* path);
void forgetTemporaryName(int slot);

// Starts a thread with the three signals blocked, so that they are always
// handled by the thread that started the run.
template <class Body>
std::thread startThreadWithSignalsBlocked(Body&& body)
{
    const TerminationSignalsBlocked blocked;
    return std::thread(std::forward<Body>(body));
}
