#pragma once

#include <string>

// Server messages for the decoding tests, built from parts so that each test
// can leave out or change exactly one member.
namespace messages {

inline std::string eye(float x)
{
    const std::string p = R"({"x":)" + std::to_string(x) + R"(,"y":2})";
    return R"({"raw":)" + p + R"(,"avg":)" + p + R"(,"psize":17.5,"pcenter":{"x":0.4,"y":0.5}})";
}

inline std::string frame(int time, bool withRightEye = true)
{
    std::string text =
        R"({"timestamp":"x","time":)" + std::to_string(time) +
        R"(,"fix":true,"state":7,"raw":{"x":100.5,"y":200},"avg":{"x":101,"y":201},"lefteye":)" + eye(96);
    if (withRightEye)
        text += R"(,"righteye":)" + eye(104);
    return text + "}";
}

inline std::string calibpoint(float x)
{
    return R"({"state":2,"cp":{"x":)" + std::to_string(x) +
           R"(,"y":10},"mecp":{"x":11,"y":12},"acd":{"ad":0.4,"adl":0.5,"adr":0.3},)"
           R"("mepix":{"mep":16,"mepl":17,"mepr":15},"asdp":{"asd":0.2,"asdl":0.25,"asdr":0.15}})";
}

inline std::string calibresult(bool result, bool withPoints = true)
{
    std::string text =
        std::string(R"({"result":)") + (result ? "true" : "false") + R"(,"deg":0.45,"degl":0.5,"degr":0.4)";
    if (withPoints)
        text += R"(,"calibpoints":[)" + calibpoint(100) + "," + calibpoint(200) + "]";
    return text + "}";
}

// A tracker "get" reply holding the given members of "values".
inline std::string get(const std::string& values)
{
    return R"({"category":"tracker","request":"get","statuscode":200,"values":{)" + values + "}}";
}

inline std::string trackerValues(int trackerstate = 0, int heartbeatinterval = 3000)
{
    return R"("push":true,"heartbeatinterval":)" + std::to_string(heartbeatinterval) +
           R"(,"version":1,"trackerstate":)" + std::to_string(trackerstate) +
           R"(,"framerate":60,"iscalibrated":true,"iscalibrating":false)";
}

inline std::string screenValues(const std::string& psyw = "0.531")
{
    return R"("screenindex":1,"screenresw":1920,"screenresh":1080,"screenpsyw":)" + psyw +
           R"(,"screenpsyh":0.299)";
}

inline std::string allValues(int trackerstate = 0)
{
    return get(trackerValues(trackerstate) + R"(,"calibresult":)" + calibresult(true) + R"(,"frame":)" +
               frame(1000) + "," + screenValues());
}

inline std::string calibration(const std::string& request, const std::string& values = {})
{
    std::string text = R"({"category":"calibration","request":")" + request + R"(","statuscode":200)";
    if (!values.empty())
        text += R"(,"values":{)" + values + "}";
    return text + "}";
}

} // namespace messages
