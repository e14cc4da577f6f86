#include "app/XhtmlMode.h"

#include <cstdio>

int runXhtmlMode(int, char**)
{
    std::fprintf(stderr, "error: -xhtml mode is not available\n");
    return 1;
}
