#include <stdio.h>

int main(void)
{
    printf("Hello from the board\n");
    return 0;
}
