#include "common/ProgramHelp.h"
#include "player/Gazeview.h"
#include "player/core/AppCtrl.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv)
{
    ProgramHelp::offscreenForHelp(argc, argv);
    QApplication application(argc, argv);
    AppCtrl app;
    return runGazeview(app, QApplication::arguments(), QApplication::applicationFilePath(), std::cout);
}
