#include "recorder/RecorderTexts.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace RecorderTexts {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Gazelog", text);
}
} // namespace

QString trackerStatus(int trackerState)
{
    static const char* const texts[] = {"EyeTribe connected",
                                        "No connection!",
                                        "Invalid/unsupported firmware!",
                                        "EyeTribe is not connected to USB 3.0!",
                                        "Problem with data transmission",
                                        "ExeX connected",
                                        "EyeX not connected",
                                        "Trying to connect",
                                        "EyeX error - server version to low",
                                        "EyeX error - server version to high"};
    if (trackerState < 0 || trackerState >= static_cast<int>(std::size(texts)))
        return tr("Unknown status");
    return tr(texts[trackerState]);
}

QString calibrationQuality(int quality)
{
    static const char* const texts[] = {"Not calibrated",
                                        "1/5 - recalibration required",
                                        "2/5 - poor",
                                        "3/5 - moderate",
                                        "4/5 - good",
                                        "5/5 - perfect",
                                        "EyeX - no information about calibration"};
    // The controllers never report other marks; show them as unknown rather than as a grade.
    if (quality < 0 || quality >= static_cast<int>(std::size(texts)))
        return tr("Unknown calibration quality");
    return tr(texts[quality]);
}

QString keypointsList(const std::vector<GazePoint>& points)
{
    QString text;
    int number = 0;
    for (const GazePoint& p : points) {
        const qint64 time = p.time;
        const qint64 hours = time / 3600000;
        const qint64 minutes = (time % 3600000) / 60000;
        const qint64 seconds = (time % 60000) / 1000;
        text += QStringLiteral("%1: %2 time: %3.%4.%5 gaze point pos:(%6, %7)\n")
                    .arg(number++)
                    .arg(time)
                    .arg(hours)
                    .arg(minutes)
                    .arg(seconds)
                    .arg(static_cast<double>(p.avg.x), 0, 'g', 6)
                    .arg(static_cast<double>(p.avg.y), 0, 'g', 6);
    }
    return text;
}

bool isValidExaminationId(const QString& id)
{
    static const QRegularExpression forbidden(QStringLiteral(R"([\\/:*?"<>|])"));
    return !id.isEmpty() && !id.contains(forbidden);
}

} // namespace RecorderTexts
