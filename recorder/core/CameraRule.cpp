#include "recorder/core/CameraRule.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/OperatorPrompt.h"

using RecorderTexts::windowText;

CameraRule::CameraRule(OperatorPrompt& prompt, QObject* parent) : QObject(parent), prompt_(prompt) {}

void CameraRule::warn(const QString& text)
{
    prompt_.warning(windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")), text);
}

bool CameraRule::check()
{
    if (camera_ && camera_->isAvailable())
        return true;
    LOG("Error - Gopro camera is not avaible!");
    warn(windowText(QT_TRANSLATE_NOOP(
        "Gazelog", "GoPro camera is not avaible! \nCheck wifi connection and GoPro camera.")));
    return false;
}

CameraRule::Use CameraRule::use(bool wanted, const QString& password)
{
    LOG("wanted: ", wanted);
    if (!wanted)
        return Use::off;
    if (!check())
        return Use::unavailable;
    if (camera_->configureCamera(password))
        return Use::ready;
    LOG("Failed to configure Gopro!");
    if (camera_->lastRequestTimedOut()) {
        Q_EMIT silent();
        return Use::silent;
    }
    warn(windowText(QT_TRANSLATE_NOOP(
        "Gazelog", "Failed to configure GoPro camera! \nRequired version is at least GoPro Hero 3.")));
    return Use::refused;
}

bool CameraRule::startRecording()
{
    LOG("Using Gopro");
    if (!check())
        return false;
    if (camera_->setRecording(true))
        return true;
    LOG("Failed to start recording using Gopro!");
    if (camera_->lastRequestTimedOut())
        Q_EMIT silent();
    else
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Failed to start recording using GoPro camera!.")));
    return false;
}

void CameraRule::stopRecording()
{
    if (camera_ && !camera_->setRecording(false) && camera_->lastRequestTimedOut())
        Q_EMIT silent();
}

void CameraRule::cancelRecording()
{
    if (camera_)
        camera_->setRecording(false);
}
