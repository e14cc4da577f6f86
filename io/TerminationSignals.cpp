#include "io/TerminationSignals.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

// The output and a dependency file may each have one name at a time.
constexpr int Slots = 4;
char names[Slots][PATH_MAX];
std::atomic<bool> claimed[Slots];
std::atomic<bool> complete[Slots];  // what the handler reads

sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : Signals)
        sigaddset(&set, signal);
    return set;
}

void removeNamesAndEnd(int signal)
{
    for (int slot = 0; slot < Slots; ++slot)
        if (complete[slot].load())
            ::unlink(names[slot]);
    // The signal is blocked while this handler runs: raised again with the
    // default action, it ends the process as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

}  // namespace

void installTerminationHandlers()
{
    for (int signal : Signals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeNamesAndEnd;
        action.sa_mask = terminationSet();
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignalsBlocked::TerminationSignalsBlocked()
{
    const sigset_t set = terminationSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

TerminationSignalsBlocked::~TerminationSignalsBlocked()
{
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int recordTemporaryName(const char* path)
{
    if (std::strlen(path) >= PATH_MAX)
        return -1;
    for (int slot = 0; slot < Slots; ++slot) {
        bool expected = false;
        if (claimed[slot].compare_exchange_strong(expected, true)) {
            std::strcpy(names[slot], path);
            complete[slot].store(true);
            return slot;
        }
    }
    return -1;
}

void forgetTemporaryName(int slot)
{
    if (slot < 0 || slot >= Slots)
        return;
    complete[slot].store(false);
    claimed[slot].store(false);
}
