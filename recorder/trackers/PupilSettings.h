#pragma once

#include <QString>
#include <filesystem>

// The recorder's settings for Pupil Core, kept in the [Pupil] section of
// Gazelog.ini in the settings folder. GAZELOG_PUPIL_ADDRESS overrides the
// address for one run ("host" or "host:port"); an override is never written back.
struct PupilSettings
{
    static constexpr const char* addressVariable = "GAZELOG_PUPIL_ADDRESS";

    QString address = QStringLiteral("127.0.0.1:50020");
    QString surface = QStringLiteral("screen");
    double minConfidence = 0.6;
    bool addressFromEnvironment = false;

    // The defaults, then what the file holds (values that do not parse keep the
    // default, logged), then the environment.
    static PupilSettings load(const std::filesystem::path& file);
    // False when the file cannot be written.
    bool save(const std::filesystem::path& file) const;

    bool operator==(const PupilSettings&) const = default;
};
