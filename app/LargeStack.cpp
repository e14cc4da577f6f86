#include "app/LargeStack.h"

#include "io/TerminationSignals.h"
#include "rules/Limits.h"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <exception>
#include <vector>

namespace {

struct Job {
    const std::function<int()>& task;
    int result = 0;
    std::exception_ptr failure;
};

void runJob(Job& job)
{
    try {
        job.result = job.task();
    } catch (...) {
        job.failure = std::current_exception();
    }
}

// The stack of its own that the calling thread runs a task on, while it does.
struct StackRegion {
    char* base = nullptr;
    std::size_t size = 0;
};
StackRegion currentStack;

// The stack of the calling thread as the system made it (for the main
// thread, as large as RLIMIT_STACK lets it grow).
bool threadStack(char*& base, std::size_t& size)
{
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return false;
    void* start = nullptr;
    const bool known = pthread_attr_getstack(&attributes, &start, &size) == 0;
    pthread_attr_destroy(&attributes);
    base = static_cast<char*>(start);
    return known;
}

// The calling thread's own stack, less a reserve for what lies above the
// run (the environment, the frames that started it) and for signal
// handlers. Taken from the stack's size, not from where the current frame
// is, and rounded up to 64 KiB (the main thread's size comes a few pages
// short of its limit, by a number of pages that changes from run to run),
// so that the bounds are the same on every run.
std::size_t ownStackLeft()
{
    constexpr std::size_t Reserve = std::size_t(512) << 10;
    constexpr std::size_t Granule = std::size_t(64) << 10;
    char* base = nullptr;
    std::size_t size = 0;
    if (!threadStack(base, size))
        return 0;
    size = (size + Granule - 1) & ~(Granule - 1);
    return size > Reserve ? size - Reserve : 0;
}

// Sets the nesting bounds for the stack a task runs on, for as long as it runs.
class StackForBounds {
public:
    explicit StackForBounds(std::size_t bytes) : previous_(runStackBytes) { runStackBytes = bytes; }
    ~StackForBounds() { runStackBytes = previous_; }
    StackForBounds(const StackForBounds&) = delete;
    StackForBounds& operator=(const StackForBounds&) = delete;

private:
    std::size_t previous_;
};

#ifdef XMLPP_STACK_ON_THREAD
void* runThreadJob(void* argument)
{
    runJob(*static_cast<Job*>(argument));
    return nullptr;
}

bool runElsewhere(Job& job, std::size_t stackBytes)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_t thread;
    const StackForBounds bounds(stackBytes);
    bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0;
    if (started) {
        // The thread starts with the termination signals blocked; this one,
        // waiting, takes them.
        const TerminationSignalsBlocked blocked;
        started = pthread_create(&thread, &attributes, runThreadJob, &job) == 0;
    }
    if (started)
        pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    return started;
}
#else
Job* pendingJob = nullptr;

void startPendingJob()
{
    runJob(*pendingJob);
}

// The task runs on the calling thread, switched to a stack of its own. A
// thread would do as well, but Qt reads and prints a DOM markedly slower on
// any thread but the main one.
bool runElsewhere(Job& job, std::size_t stackBytes)
{
    void* mapped = ::mmap(nullptr, stackBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    char* stack = static_cast<char*>(mapped);
    // The lowest page stays unmapped: an overflow faults there.
    ::mprotect(stack, std::size_t(::sysconf(_SC_PAGESIZE)), PROT_NONE);
    ucontext_t caller;
    ucontext_t callee;
    bool ran = false;
    if (getcontext(&callee) == 0) {
        callee.uc_stack.ss_sp = stack;
        callee.uc_stack.ss_size = stackBytes;
        callee.uc_link = &caller;
        makecontext(&callee, startPendingJob, 0);
        Job* outerJob = pendingJob;
        const StackRegion outerStack = currentStack;
        pendingJob = &job;
        currentStack = {stack, stackBytes};
        {
            const StackForBounds bounds(stackBytes);
            ran = swapcontext(&caller, &callee) == 0;
        }
        pendingJob = outerJob;
        currentStack = outerStack;
    }
    ::munmap(stack, stackBytes);
    return ran;
}
#endif

int finish(Job& job)
{
    if (job.failure)
        std::rethrow_exception(job.failure);
    return job.result;
}

}  // namespace

int runOnLargeStack(const std::function<int()>& task, std::size_t stackBytes)
{
    Job job{task, 0, nullptr};
    for (std::size_t bytes = stackBytes; bytes >= SmallestLargeStackBytes; bytes /= 2)
        if (runElsewhere(job, bytes))
            return finish(job);
    return runOnOwnStack(task);
}

int runOnOwnStack(const std::function<int()>& task)
{
    const StackForBounds bounds(ownStackLeft());
    return task();
}

std::size_t touchedStackBytes()
{
    char* base = nullptr;
    std::size_t size = 0;
    const char here = 0;
    if (currentStack.base != nullptr && &here >= currentStack.base && &here < currentStack.base + currentStack.size) {
        base = currentStack.base;
        size = currentStack.size;
    } else if (!threadStack(base, size)) {
        return 0;
    }
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (page == 0)
        return 0;
    std::vector<unsigned char> resident((size + page - 1) / page);
    if (::mincore(base, size, resident.data()) != 0)
        return 0;
    std::size_t pages = 0;
    for (unsigned char flags : resident)
        pages += flags & 1;
    return pages * page;
}
