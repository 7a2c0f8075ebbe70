#include "player/PlayerExports.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/AppCtrl.h"
#include "player/core/TitleText.h"
#include "player/data/ServiceShotFile.h"
#include "player/data/ShotLine.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString shotFileOfMovie(const AppCtrl& app)
{
    return QString::fromStdString(shotFileOf(app.movieFileName.toStdString()).string());
}

} // namespace

PlayerExports::PlayerExports(QWidget& owner, const AppCtrl& app, ShotLine& shots, QAction* findShotsItem)
    : owner_(owner), app_(app), shots_(shots), findShotsItem_(findShotsItem)
{
    chooseOutput = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(
            &owner_, QCoreApplication::translate("PlayerExports", "Export video"), suggested,
            QCoreApplication::translate("PlayerExports", "Videos (*.mp4 *.webm)"));
    };
    tell = [this](const QString& text) {
        // Not modal: the window goes on, and nothing waits for the answer.
        auto* box =
            new QMessageBox(QMessageBox::Information, TitleText::caption(), text, QMessageBox::Ok, &owner_);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    };
}

PlayerExports::~PlayerExports()
{
    if (process_) {
        process_->disconnect();
        process_->kill();
        process_->waitForFinished(1000);
    }
}

QString PlayerExports::toolPath(const AppCtrl& app, const QString& name)
{
    return QFileInfo(app.ownFileName).absolutePath() + QLatin1Char('/') + name;
}

QStringList PlayerExports::renderArguments(const AppCtrl& app, const QString& output)
{
    QStringList arguments{QStringLiteral("-m"),
                          app.movieFileName,
                          app.mode == AppCtrl::Mode::File ? QStringLiteral("-f") : QStringLiteral("-d"),
                          app.resultsPath,
                          QStringLiteral("-o"),
                          output};
    arguments << QStringLiteral("--settings") << QString::fromStdString(app.appDataDir.string())
              << QStringLiteral("--shots") << shotFileOfMovie(app) << QStringLiteral("--quality")
              << (app.multiQuality == 1 ? QStringLiteral("accurate") : QStringLiteral("fast"))
              << QStringLiteral("--focus-time") << onOff(app.considerFocusTime)
              << QStringLiteral("--filtered") << onOff(app.dataFiltered) << QStringLiteral("--heatmap")
              << onOff(app.showHeatmap) << QStringLiteral("--pupil") << onOff(app.showPupil)
              << QStringLiteral("--keypoints") << onOff(app.showActions) << QStringLiteral("--scanpath")
              << onOff(app.showScanPath);
    return arguments;
}

void PlayerExports::movieOpened()
{
    if (findShotsItem_ != nullptr)
        findShotsItem_->setEnabled(!QFileInfo::exists(shotFileOfMovie(app_)));
}

void PlayerExports::exportVideo()
{
    const AppCtrl& app = app_;
    if (busy() || app.movieFileName.isEmpty() || app.resultsPath.isEmpty() ||
        (app.mode != AppCtrl::Mode::File && app.mode != AppCtrl::Mode::Directory))
        return;
    const QFileInfo movie(app.movieFileName);
    const QString output = chooseOutput ? chooseOutput(movie.absolutePath() + QLatin1Char('/') +
                                                       movie.completeBaseName() + QStringLiteral("_gaze.mp4"))
                                        : QString();
    if (output.isEmpty())
        return;
    run(QStringLiteral("gaze-render"), renderArguments(app, output), [this, output](bool ok) {
        if (ok && tell)
            tell(QCoreApplication::translate("PlayerExports", "The video is ready:\n%1").arg(output));
    });
}

void PlayerExports::findShots()
{
    const AppCtrl& app = app_;
    if (busy() || app.movieFileName.isEmpty())
        return;
    const QString shotFile = shotFileOfMovie(app);
    run(QStringLiteral("gaze-shots"), {app.movieFileName}, [this, shotFile](bool ok) {
        ShotLine& shots = shots_;
        // Shots the user set meanwhile are not replaced.
        const bool untouched = shots.shots().size() == 1 && shots.shots().front().time == 0;
        if (!ok || !untouched || shotFileOfMovie(app_) != shotFile)
            return;
        if (ServiceShotFile(shots, shotFile.toStdString(), true) && tell)
            tell(QCoreApplication::translate("PlayerExports", "Shots found and loaded: %1")
                     .arg(shots.shots().size()));
        movieOpened();
    });
}

void PlayerExports::run(const QString& tool, const QStringList& arguments, std::function<void(bool ok)> done)
{
    const QString program = toolPath(app_, tool);
    LOG("starting ", program, " ", arguments.join(QLatin1Char(' ')));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    const auto finish = [this, tool, done = std::move(done)](bool started, int code) {
        const QString errors = QString::fromLocal8Bit(process_->readAllStandardError());
        // Deleted later: this runs inside one of the process's own signals.
        process_.release()->deleteLater();
        const bool ok = started && code == 0;
        if (!ok) {
            LOG(tool, " failed: ", code);
            if (tell)
                tell(QCoreApplication::translate("PlayerExports", "%1 failed:\n%2")
                         .arg(tool, errors.isEmpty() ? QStringLiteral("it could not be started") : errors));
        }
        done(ok);
    };
    connect(process_.get(), qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [finish](int code, QProcess::ExitStatus status) {
                finish(true, status == QProcess::NormalExit ? code : -1);
            });
    connect(process_.get(), &QProcess::errorOccurred, this, [this, finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && process_)
            finish(false, -1);
    });
    process_->start(program, arguments);
}
