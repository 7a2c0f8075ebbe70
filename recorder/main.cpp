#include "recorder/GazelogStartup.h"

int main(int argc, char** argv)
{
    return runGazelog(argc, argv);
}
