#include "recorder/core/RecorderTexts.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace RecorderTexts {

QString windowText(const char* text)
{
    return QCoreApplication::translate("Gazelog", text);
}

QString trackerStatus(int trackerState)
{
    static const char* const texts[] = {QT_TRANSLATE_NOOP("Gazelog", "EyeTribe connected"),
                                        QT_TRANSLATE_NOOP("Gazelog", "No connection!"),
                                        QT_TRANSLATE_NOOP("Gazelog", "Invalid/unsupported firmware!"),
                                        QT_TRANSLATE_NOOP("Gazelog", "EyeTribe is not connected to USB 3.0!"),
                                        QT_TRANSLATE_NOOP("Gazelog", "Problem with data transmission"),
                                        QT_TRANSLATE_NOOP("Gazelog", "ExeX connected"),
                                        QT_TRANSLATE_NOOP("Gazelog", "EyeX not connected"),
                                        QT_TRANSLATE_NOOP("Gazelog", "Trying to connect"),
                                        QT_TRANSLATE_NOOP("Gazelog", "EyeX error - server version to low"),
                                        QT_TRANSLATE_NOOP("Gazelog", "EyeX error - server version to high")};
    // Pupil Core's states count from 100, clear of the others'. The label is narrow: the log says more.
    static const char* const pupilTexts[] = {QT_TRANSLATE_NOOP("Gazelog", "Pupil Capture connected"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: connecting..."),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: nothing answers"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: invalid address"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: not Pupil Capture"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: connection lost")};
    if (trackerState >= 100 && trackerState < 100 + static_cast<int>(std::size(pupilTexts)))
        return windowText(pupilTexts[trackerState - 100]);
    if (trackerState < 0 || trackerState >= static_cast<int>(std::size(texts)))
        return QCoreApplication::translate("Gazelog", "Unknown status");
    return windowText(texts[trackerState]);
}

QString calibrationQuality(int quality)
{
    static const char* const texts[] = {
        QT_TRANSLATE_NOOP("Gazelog", "Not calibrated"),
        QT_TRANSLATE_NOOP("Gazelog", "1/5 - recalibration required"),
        QT_TRANSLATE_NOOP("Gazelog", "2/5 - poor"),
        QT_TRANSLATE_NOOP("Gazelog", "3/5 - moderate"),
        QT_TRANSLATE_NOOP("Gazelog", "4/5 - good"),
        QT_TRANSLATE_NOOP("Gazelog", "5/5 - perfect"),
        QT_TRANSLATE_NOOP("Gazelog", "EyeX - no information about calibration")};
    static const char* const pupilTexts[] = {QT_TRANSLATE_NOOP("Gazelog", "Pupil: own calibration"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: calibrating..."),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: calibrated"),
                                             QT_TRANSLATE_NOOP("Gazelog", "Pupil: calibration failed")};
    if (quality >= 100 && quality < 100 + static_cast<int>(std::size(pupilTexts)))
        return windowText(pupilTexts[quality - 100]);
    // The controllers never report other marks; show them as unknown rather than as a grade.
    if (quality < 0 || quality >= static_cast<int>(std::size(texts)))
        return QCoreApplication::translate("Gazelog", "Unknown calibration quality");
    return windowText(texts[quality]);
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
        text += QCoreApplication::translate("Gazelog", "%1: %2 time: %3.%4.%5 gaze point pos:(%6, %7)\n")
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
