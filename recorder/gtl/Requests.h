#pragma once

#include "recorder/gtl/Records.h"

#include <string>

// The exact texts the client writes to the tracker server. Each is a bare JSON
// object with no terminator; the server finds its end by counting braces.
namespace gtl::requests {

std::string setVersion(int version);
std::string setPush(bool push);
std::string setScreen(const ScreenSetup& screen);
std::string heartbeat();
std::string getAllValues();
std::string getCalibration();  // answers a calibration change
std::string getScreen();       // answers a display change
std::string getTrackerState(); // answers a tracker state change

} // namespace gtl::requests
