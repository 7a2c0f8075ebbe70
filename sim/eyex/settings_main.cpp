#include <unistd.h>

// The EyeX settings program stand-in: it only has to run until it is ended.
int main()
{
    for (;;)
        ::pause();
}
