#include "app/LargeStack.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <exception>
#include <vector>

namespace {

struct Job {
    const std::function<int()>& task;
    int result = 0;
    std::exception_ptr failure;
};

void* runJob(void* argument)
{
    auto* job = static_cast<Job*>(argument);
    try {
        job->result = job->task();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

bool startThread(pthread_t& thread, std::size_t stackBytes, Job& job)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, runJob, &job) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

}  // namespace

int runOnLargeStack(const std::function<int()>& task, std::size_t stackBytes)
{
    // The thread allocates from the main heap, as the calling thread does:
    // a heap of its own would grow and shrink in small steps, each a system
    // call (85,654 of them for the -xhtml page of 10 MB, a fifth of its time).
    ::mallopt(M_ARENA_MAX, 1);
    Job job{task, 0, nullptr};
    pthread_t thread;
    if (!startThread(thread, stackBytes, job))
        return task();
    pthread_join(thread, nullptr);
    if (job.failure)
        std::rethrow_exception(job.failure);
    return job.result;
}

std::size_t touchedStackBytes()
{
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return 0;
    void* base = nullptr;
    std::size_t size = 0;
    const bool known = pthread_attr_getstack(&attributes, &base, &size) == 0;
    pthread_attr_destroy(&attributes);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (!known || page == 0)
        return 0;
    std::vector<unsigned char> resident((size + page - 1) / page);
    if (::mincore(base, size, resident.data()) != 0)
        return 0;
    std::size_t pages = 0;
    for (unsigned char flags : resident)
        pages += flags & 1;
    return pages * page;
}
