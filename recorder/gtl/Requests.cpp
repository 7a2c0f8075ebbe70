#include "recorder/gtl/Requests.h"

#include <locale>
#include <sstream>

namespace gtl::requests {

namespace {
const char* const setPrefix = R"({"category":"tracker","request":"set","values":{)";
} // namespace

std::string setVersion(int version)
{
    return setPrefix + std::string(R"("version":)") + std::to_string(version) + "}}";
}

std::string setPush(bool push)
{
    return setPrefix + std::string(R"("push":)") + (push ? "true" : "false") + "}}";
}

std::string setScreen(const ScreenSetup& screen)
{
    // Default stream formatting: six significant digits, no trailing zeros, and
    // never a decimal comma whatever the process locale says.
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << setPrefix << R"("screenindex":)" << screen.screenindex << R"(,"screenresw":)" << screen.screenresw
         << R"(,"screenresh":)" << screen.screenresh << R"(,"screenpsyw":)" << screen.screenpsyw
         << R"(,"screenpsyh":)" << screen.screenpsyh << "}}";
    return text.str();
}

std::string heartbeat()
{
    return R"({"category":"heartbeat"})";
}

std::string getAllValues()
{
    return R"({"category":"tracker","request":"get","values":["push","heartbeatinterval","version",)"
           R"("trackerstate","framerate","iscalibrated","iscalibrating","calibresult","frame","screenindex",)"
           R"("screenresw","screenresh","screenpsyw","screenpsyh"]})";
}

std::string getCalibration()
{
    return R"({"category":"tracker","request":"get","values":["calibresult","iscalibrated","iscalibrating"]})";
}

std::string getScreen()
{
    return R"({"category":"tracker","request":"get","values":["screenindex","screenresw","screenresh",)"
           R"("screenpsyw","screenpsyh"]})";
}

std::string getTrackerState()
{
    return R"({"category":"tracker","request":"get","values":["trackerstate"]})";
}

} // namespace gtl::requests
