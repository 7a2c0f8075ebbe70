#include "common/ProgramHelp.h"

#include <iostream>
#include <unistd.h>

// The EyeX settings program stand-in: it only has to run until it is ended.
int main(int argc, char** argv)
{
    switch (ProgramHelp::requested(argc, argv)) {
    case ProgramHelp::Request::Help:
        std::cout << "Usage: Tobii.EyeX.Settings\nStand-in for the EyeX settings program: runs until it is "
                     "ended.\n";
        return 0;
    case ProgramHelp::Request::Version:
        return ProgramHelp::printVersion("Tobii.EyeX.Settings", std::cout);
    case ProgramHelp::Request::None:
        break;
    }
    if (argc > 1) {
        std::cerr << ProgramHelp::problemText("Tobii.EyeX.Settings",
                                              "unknown option '" + std::string(argv[1]) + "'");
        return 2;
    }
    for (;;)
        ::pause();
}
