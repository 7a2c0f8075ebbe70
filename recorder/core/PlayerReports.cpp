#include "recorder/core/PlayerReports.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/trackers/OperatorPrompt.h"

using RecorderTexts::windowText;

PlayerReports::PlayerReports(OperatorPrompt& prompt, QString recorderCaption, Handler handler,
                             QObject* parent)
    : QObject(parent), prompt_(prompt), recorderCaption_(std::move(recorderCaption)),
      handler_(std::move(handler))
{
}

bool PlayerReports::listen()
{
    delete receiver_;
    receiver_ = new platform::WindowMessageReceiver(this);
    receiver_->setHandler([this](const platform::WindowMessage& message) { return handle(message); });
    connect(receiver_, &platform::WindowMessageReceiver::closeRequested, this,
            &PlayerReports::closeRequested);
    connect(receiver_, &platform::WindowMessageReceiver::messageDropped, this,
            [](const QString& reason) { LOG("message dropped: ", reason); });
    if (receiver_->registerWindow(recorderCaption_))
        return true;
    LOG("WindowMessageReceiver::registerWindow failed: the player cannot report, ", receiver_->errorString());
    linkProblem_ = receiver_->errorString();
    prompt_.warning(
        windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")),
        windowText(QT_TRANSLATE_NOOP("Gazelog", "The player cannot report to this window:\n%1\nExaminations "
                                                "cannot be started; running the player and visualisations "
                                                "still works."))
            .arg(linkProblem_));
    return false;
}

bool PlayerReports::handle(const platform::WindowMessage& message)
{
    if (message.identifier != platform::WM_USER)
        return false;
    LOG("WM_USER! lparam = ", message.lParam, ", wparam = ", message.wParam);
    return handler_(message);
}
