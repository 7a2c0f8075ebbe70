#include "player/core/PlayerSettings.h"

#include "common/IniFile.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/PlayerState.h"

#include <cmath>
#include <sstream>
#include <variant>

namespace {

// Fractions are stored in the files as whole percents and read unsigned, so a
// negative percent becomes a huge fraction, as the settings always behaved.
struct Percent
{
    double PlayerState::*field;
};

using SettingField = std::variant<int PlayerState::*, bool PlayerState::*, Percent>;

struct SettingKey
{
    const char* section;
    const char* key;
    SettingField field;
};

const SettingKey settingsFileKeys[] = {
    {"Preprocessing", "eventsNum", &PlayerState::eventsNum},
    {"Preprocessing", "filterRadius", &PlayerState::filterRadius},
    {"Preprocessing", "actionRadius", &PlayerState::actionRadius},
    {"Navigation", "timeStep", &PlayerState::timeStep},
    {"Navigation", "timeBiggerStep", &PlayerState::timeBiggerStep},
    {"Results", "pupilStandardDeviationPercentThreshold",
     Percent{&PlayerState::pupilStandardDeviationPercentThreshold}},
    {"Results", "minBlinkTime", &PlayerState::minBlinkTime},
    {"Results", "maxBlinkTime", &PlayerState::maxBlinkTime},
    {"Results", "heatMapPercentThresholdCyan", Percent{&PlayerState::heatMapPercentThresholdCyan}},
    {"Results", "heatMapPercentThresholdGreen", Percent{&PlayerState::heatMapPercentThresholdGreen}},
    {"Results", "heatMapPercentThresholdYellow", Percent{&PlayerState::heatMapPercentThresholdYellow}},
    {"Results", "heatMapPercentThresholdRed", Percent{&PlayerState::heatMapPercentThresholdRed}},
    {"Results", "heatMapCircleDiameterConst", &PlayerState::heatMapCircleDiameterConst},
    {"Results", "heatMapCircleDiameterStart", &PlayerState::heatMapCircleDiameterStart},
    {"Results", "heatMapCircleDiameterStep", &PlayerState::heatMapCircleDiameterStep},
    {"Results", "recordingOffset", &PlayerState::recordingOffset},
};

const SettingKey guiFileKeys[] = {
    {"GUI", "showBigCounter", &PlayerState::showBigCounter},
    {"GUI", "multiQuality", &PlayerState::multiQuality},
    {"GUI", "showHeatmap", &PlayerState::showHeatmap},
    {"GUI", "showActions", &PlayerState::showActions},
    {"GUI", "showPupil", &PlayerState::showPupil},
    {"GUI", "showScanPath", &PlayerState::showScanPath},
    {"GUI", "showSynchrony", &PlayerState::showSynchrony},
    {"GUI", "showLegend", &PlayerState::showLegend},
};

const SettingKey viewScaleKeys[] = {
    {"GUI", "viewScaleXPercent", Percent{&PlayerState::viewScaleX}},
    {"GUI", "viewScaleYPercent", Percent{&PlayerState::viewScaleY}},
};

// Reads one key into its field, the field's value being the default; returns
// the value as the log shows it.
std::string readSetting(PlayerState& app, const std::filesystem::path& file, const SettingKey& setting)
{
    std::ostringstream shown;
    std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (std::is_same_v<Field, int PlayerState::*>) {
                app.*field = IniFile::readInt(file, setting.section, setting.key, app.*field);
                shown << app.*field;
            } else if constexpr (std::is_same_v<Field, bool PlayerState::*>) {
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

void read(PlayerState& app)
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

void readViewScale(PlayerState& app)
{
    for (const SettingKey& setting : viewScaleKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(app, app.guiFilePath, setting));
}

void writeSwitch(const PlayerState& app, const char* key, bool on)
{
    IniFile::writeString(app.guiFilePath, "GUI", key, on ? "1" : "0");
}

void writeViewScale(const PlayerState& app)
{
    IniFile::writeString(app.guiFilePath, "GUI", "viewScaleXPercent", app.viewScaleX == 0.5 ? "50" : "100");
    IniFile::writeString(app.guiFilePath, "GUI", "viewScaleYPercent", app.viewScaleY == 0.5 ? "50" : "100");
}

void writeQuality(const PlayerState& app)
{
    IniFile::writeString(app.guiFilePath, "GUI", "multiQuality", app.multiQuality == 1 ? "1" : "0");
}

void writeLanguage(const PlayerState& app, const char* language)
{
    IniFile::writeString(app.guiFilePath, "GUI", "language", language);
}

} // namespace PlayerSettings
