// xmlpp with one addition: after a run that returns, it prints on standard
// error how many bytes of its large stack were touched. Used to measure
// what deep documents need: stack_probe [xmlpp arguments].
#include "app/Driver.h"
#include "app/LargeStack.h"
#include "app/ProcessSetup.h"

#include <cstdio>

int main(int argc, char** argv)
{
    setUpProcess();
    return runOnLargeStack([&] {
        const int status = runDriverOnThisThread(argc, argv);
        std::fprintf(stderr, "stack bytes touched: %zu\n", touchedStackBytes());
        return status;
    });
}
