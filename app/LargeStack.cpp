#include "app/LargeStack.h"

#include <malloc.h>
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

#if defined(__SANITIZE_ADDRESS__)
#define XMLPP_LARGE_STACK_ON_THREAD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XMLPP_LARGE_STACK_ON_THREAD 1
#endif
#endif

#ifdef XMLPP_LARGE_STACK_ON_THREAD
// The address sanitizer follows a switch of stacks only in part (and says
// so on standard error): its builds run the task on a thread instead.
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
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, runThreadJob, &job) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        pthread_join(thread, nullptr);
    return started;
}
#else
Job* pendingJob = nullptr;

void startPendingJob()
{
    runJob(*pendingJob);
}

// The task runs on the calling thread, switched to a stack of its own. A
// thread would do as well, but Qt reads and prints a DOM a fifth slower on
// any thread but the main one (the 10 MB page: 2.18 s against 1.75 s).
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
        ran = swapcontext(&caller, &callee) == 0;
        pendingJob = outerJob;
        currentStack = outerStack;
    }
    ::munmap(stack, stackBytes);
    return ran;
}
#endif

// The stack of the calling thread as the system made it.
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

}  // namespace

int runOnLargeStack(const std::function<int()>& task, std::size_t stackBytes)
{
    // Threads allocate from the main heap: a heap of its own grows and
    // shrinks in small steps, each a system call (85,654 of them for the
    // -xhtml page of 10 MB when the task ran on a thread).
    ::mallopt(M_ARENA_MAX, 1);
    Job job{task, 0, nullptr};
    if (!runElsewhere(job, stackBytes))
        return task();
    if (job.failure)
        std::rethrow_exception(job.failure);
    return job.result;
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
