#include "player/core/PlayerSettings.h"

#include "common/IniFile.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/AppCtrl.h"

#include <cmath>
#include <sstream>
#include <variant>

namespace {

// Fractions are stored in the files as whole percents and read unsigned, so a
// negative percent becomes a huge fraction, as the settings always behaved.
struct Percent
{
    double AppCtrl::*field;
};

using SettingField = std::variant<int AppCtrl::*, bool AppCtrl::*, Percent>;

struct SettingKey
{
    const char* section;
    const char* key;
    SettingField field;
};

const SettingKey settingsFileKeys[] = {
    {"Preprocessing", "eventsNum", &AppCtrl::eventsNum},
    {"Preprocessing", "filterRadius", &AppCtrl::filterRadius},
    {"Preprocessing", "actionRadius", &AppCtrl::actionRadius},
    {"Navigation", "timeStep", &AppCtrl::timeStep},
    {"Navigation", "timeBiggerStep", &AppCtrl::timeBiggerStep},
    {"Results", "pupilStandardDeviationPercentThreshold",
     Percent{&AppCtrl::pupilStandardDeviationPercentThreshold}},
    {"Results", "minBlinkTime", &AppCtrl::minBlinkTime},
    {"Results", "maxBlinkTime", &AppCtrl::maxBlinkTime},
    {"Results", "heatMapPercentThresholdCyan", Percent{&AppCtrl::heatMapPercentThresholdCyan}},
    {"Results", "heatMapPercentThresholdGreen", Percent{&AppCtrl::heatMapPercentThresholdGreen}},
    {"Results", "heatMapPercentThresholdYellow", Percent{&AppCtrl::heatMapPercentThresholdYellow}},
    {"Results", "heatMapPercentThresholdRed", Percent{&AppCtrl::heatMapPercentThresholdRed}},
    {"Results", "heatMapCircleDiameterConst", &AppCtrl::heatMapCircleDiameterConst},
    {"Results", "heatMapCircleDiameterStart", &AppCtrl::heatMapCircleDiameterStart},
    {"Results", "heatMapCircleDiameterStep", &AppCtrl::heatMapCircleDiameterStep},
    {"Results", "recordingOffset", &AppCtrl::recordingOffset},
};

const SettingKey guiFileKeys[] = {
    {"GUI", "showBigCounter", &AppCtrl::showBigCounter}, {"GUI", "multiQuality", &AppCtrl::multiQuality},
    {"GUI", "showHeatmap", &AppCtrl::showHeatmap},       {"GUI", "showActions", &AppCtrl::showActions},
    {"GUI", "showPupil", &AppCtrl::showPupil},
};

const SettingKey viewScaleKeys[] = {
    {"GUI", "viewScaleXPercent", Percent{&AppCtrl::viewScaleX}},
    {"GUI", "viewScaleYPercent", Percent{&AppCtrl::viewScaleY}},
};

// Reads one key into its field, the field's value being the default; returns
// the value as the log shows it.
std::string readSetting(AppCtrl& app, const std::filesystem::path& file, const SettingKey& setting)
{
    std::ostringstream shown;
    std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (std::is_same_v<Field, int AppCtrl::*>) {
                app.*field = IniFile::readInt(file, setting.section, setting.key, app.*field);
                shown << app.*field;
            } else if constexpr (std::is_same_v<Field, bool AppCtrl::*>) {
                app.*field = IniFile::readInt(file, setting.section, setting.key, app.*field ? 1 : 0) != 0;
                shown << app.*field;
            } else {
                const auto percentDefault = static_cast<int>(std::lround(app.*field.field * 100));
                const auto percent = static_cast<unsigned>(
                    IniFile::readInt(file, setting.section, setting.key, percentDefault));
                app.*field.field = percent * 0.01;
                shown << app.*field.field;
            }
        },
        setting.field);
    return shown.str();
}

const char* separatorFor(std::string_view section)
{
    return section == "Preprocessing" || section == "Navigation" ? ": " : "= ";
}

} // namespace

namespace PlayerSettings {

void read(AppCtrl& app)
{
    for (const SettingKey& setting : settingsFileKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(app, app.iniFilePath, setting));
    for (const SettingKey& setting : guiFileKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(app, app.guiFilePath, setting));
    // The buffer the language was always read into holds 79 characters.
    app.language = QString::fromStdString(
                       IniFile::readString(app.guiFilePath, "GUI", "language", app.language.toStdString()))
                       .left(79);
    LOG("GUI/language= ", app.language);
}

void readViewScale(AppCtrl& app)
{
    for (const SettingKey& setting : viewScaleKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(app, app.guiFilePath, setting));
}

void writeSwitch(const AppCtrl& app, const char* key, bool on)
{
    IniFile::writeString(app.guiFilePath, "GUI", key, on ? "1" : "0");
}

void writeViewScale(const AppCtrl& app)
{
    IniFile::writeString(app.guiFilePath, "GUI", "viewScaleXPercent", app.viewScaleX == 0.5 ? "50" : "100");
    IniFile::writeString(app.guiFilePath, "GUI", "viewScaleYPercent", app.viewScaleY == 0.5 ? "50" : "100");
}

void writeQuality(const AppCtrl& app)
{
    IniFile::writeString(app.guiFilePath, "GUI", "multiQuality", app.multiQuality == 1 ? "1" : "0");
}

void writeLanguage(const AppCtrl& app, const char* language)
{
    IniFile::writeString(app.guiFilePath, "GUI", "language", language);
}

} // namespace PlayerSettings
