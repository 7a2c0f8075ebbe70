#include "recorder/trackers/PupilSettings.h"

#include "common/IniFile.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "recorder/pupil/RemoteAddress.h"

#include <charconv>
#include <cmath>

namespace {

constexpr const char* section = "Pupil";

bool isValidSurface(const QString& name)
{
    return !name.isEmpty() && name.size() <= 100 && name.trimmed() == name;
}

} // namespace

PupilSettings PupilSettings::load(const std::filesystem::path& file)
{
    PupilSettings settings;
    if (!file.empty()) {
        const QString address = QString::fromStdString(
            IniFile::readString(file, section, "address", settings.address.toStdString()));
        if (pupil::RemoteAddress::parse(address.toStdString()))
            settings.address = address;
        else
            LOG("Invalid Pupil Remote address in the settings file: \"", address, "\" - keeping ",
                settings.address);
        const QString surface = QString::fromStdString(
            IniFile::readString(file, section, "surface", settings.surface.toStdString()));
        if (isValidSurface(surface))
            settings.surface = surface;
        else
            LOG("Invalid surface name in the settings file: \"", surface, "\" - keeping ", settings.surface);
        const std::string confidence = IniFile::readString(file, section, "minConfidence", "");
        double value = 0;
        const auto [end, error] =
            std::from_chars(confidence.data(), confidence.data() + confidence.size(), value);
        if (error == std::errc() && end == confidence.data() + confidence.size() && value >= 0 && value <= 1)
            settings.minConfidence = value;
        else if (!confidence.empty())
            LOG("Invalid minimum confidence in the settings file: \"", confidence, "\" - keeping ",
                settings.minConfidence);
    }
    if (qEnvironmentVariableIsSet(addressVariable)) {
        settings.address = qEnvironmentVariable(addressVariable).trimmed();
        settings.addressFromEnvironment = true;
        // A mistyped override must not fall back to another Pupil Capture: the address stays as typed and
        // the controller reports it as invalid.
        if (!pupil::RemoteAddress::parse(settings.address.toStdString()))
            LOG("Invalid Pupil Remote address in ", addressVariable, ": \"", settings.address, "\"");
    }
    LOG("Pupil Remote address: ", settings.address, ", surface: ", settings.surface,
        ", minimum confidence: ", settings.minConfidence);
    return settings;
}

bool PupilSettings::save(const std::filesystem::path& file) const
{
    if (file.empty())
        return false;
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    char confidence[32];
    const auto result = std::to_chars(confidence, confidence + sizeof confidence, minConfidence);
    bool written = IniFile::writeString(file, section, "surface", surface.toStdString()) &&
                   IniFile::writeString(file, section, "minConfidence", std::string(confidence, result.ptr));
    if (!addressFromEnvironment)
        written = written && IniFile::writeString(file, section, "address", address.toStdString());
    if (!written)
        LOG("IniFile::writeString failed: Pupil settings not saved, file: ", file.string());
    return written;
}
