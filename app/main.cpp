#include "app/Driver.h"
#include "app/ProcessSetup.h"

int main(int argc, char** argv)
{
    setUpProcess();
    return runDriver(argc, argv);
}
