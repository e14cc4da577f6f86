#include "app/ProcessSetup.h"

#include "io/TerminationSignals.h"

#include <malloc.h>

void setUpProcess()
{
    // A heap of its own for another thread grows and shrinks in small
    // steps, each a system call (85,654 of them for the -xhtml page of
    // 10 MB when the run took place on a thread).
    ::mallopt(M_ARENA_MAX, 1);
    installTerminationHandlers();
}
