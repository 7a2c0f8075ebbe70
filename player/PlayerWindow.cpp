#include "player/PlayerWindow.h"

#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/quit_signals.h"
#include "player/Graphics.h"
#include "player/PlayerExports.h"
#include "player/PlayerMenus.h"
#include "player/PlayerPrompts.h"
#include "player/SynchronyStrip.h"
#include "player/VideoWidget.h"
#include "player/core/AppCtrl.h"
#include "player/core/ResultsFiles.h"
#include "player/core/StringTable.h"
#include "player/core/TitleText.h"
#include "player/data/ServiceShotFile.h"
#include "player/media/DsCtrl.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScreen>
#include <QSlider>

#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Orvalis Reelscan Gazeview");
constexpr QSize kCounterSize(256, 80);
constexpr int kCounterAboveSlider = 102;

// A click on the groove puts the thumb where the user clicked, as a drag there
// would, instead of moving it a page.
class GrooveSeekStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

PlayerWindow::PlayerWindow(AppCtrl& app, QWidget* parent)
    : QMainWindow(parent), app_(app), video_(new VideoWidget), slider_(new QSlider(Qt::Horizontal)),
      strip_(new SynchronyStrip), counter_(new QLabel), shots_(results_), reports_(app),
      clock_(*this, app, shots_, reports_), commands_(*this, app, results_, shots_, clock_, reports_)
{
    setObjectName(QStringLiteral("GazeviewCls"));
    setWindowTitle(kCaption);
    setMinimumSize(defaultWidth, defaultHeight);
    resize(defaultWidth, defaultHeight);
    setFocusPolicy(Qt::StrongFocus);
    prompts_ = dialogPrompts(this);

    auto* client = new QWidget;
    client->installEventFilter(this);
    video_->setParent(client);
    video_->setOnResize([this] {
        if (DsCtrl::IsMovieOpen())
            DsCtrl::MoveVideoWindow(video_->rect(), viewScale());
    });
    slider_->setParent(client);
    slider_->setObjectName(QStringLiteral("positionSlider"));
    slider_->setRange(0, sliderRange);
    slider_->setTickPosition(QSlider::TicksBelow);
    auto* grooveSeek = new GrooveSeekStyle;
    grooveSeek->setParent(slider_);
    slider_->setStyle(grooveSeek);
    // The keys belong to the window's commands, not to the slider.
    slider_->setFocusPolicy(Qt::NoFocus);
    const auto seekFromSlider = [this] {
        if (!DsCtrl::IsMovieOpen())
            return;
        const auto target = slider_->sliderPosition() * clock_.totalTimeMs() / sliderRange;
        DsCtrl::SetCurrentPositionMilis(target);
        setFocus();
        clock_.sliderUsed();
        reports_.postToExtension(LinkCode::synchronisation, static_cast<int>(target));
    };
    connect(slider_, &QSlider::sliderMoved, this, seekFromSlider);
    connect(slider_, &QSlider::sliderReleased, this, seekFromSlider);

    strip_->setParent(client);
    counter_->setParent(client);
    counter_->setObjectName(QStringLiteral("counter"));
    counter_->setText(QStringLiteral("hh:mm:ss:ff\n# nn / NN"));
    // A cell height of 40 pixels, as the counter was designed with: about 32 to the em.
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(32);
    counter_->setFont(font);
    counter_->setAutoFillBackground(true);
    QPalette colours = counter_->palette();
    colours.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    colours.setColor(QPalette::WindowText, QColor(16, 255, 32));
    counter_->setPalette(colours);
    counter_->setVisible(app_.showBigCounter);
    setCentralWidget(client);

    actions_ = buildPlayerMenus(*menuBar(), [this](int id) { command(id); });
    // The menu bar is hidden in full screen, and with it the shortcuts of its
    // items: the window holds them too.
    for (QAction* item : std::as_const(actions_))
        if (!item->shortcut().isEmpty())
            addAction(item);
    exports_ = std::make_unique<PlayerExports>(*this);
    syncChecks();

    LOG("ownFileName: ", app_.ownFileName);
    LOG("recorderFileName: ", app_.recorderFileName);
    if (!app_.serverWindowCaption.isEmpty()) {
        if (const auto bus = platform::windowBusFolder(); !bus.path)
            LOG(bus.error);
        app_.serverWindow = platform::findWindow(app_.serverWindowCaption);
    }
}

PlayerWindow::~PlayerWindow()
{
    if (DsCtrl::IsMovieOpen())
        CloseClip();
}

void PlayerWindow::setPrompts(Prompts prompts)
{
    prompts_ = std::move(prompts);
}

void PlayerWindow::startUp()
{
    if (!app_.movieFileName.isEmpty()) {
        LOG("PostMessage(#initclip)");
        QMetaObject::invokeMethod(
            this, [this] { command(ID_FILE_INITCLIP); }, Qt::QueuedConnection);
    }
    OpenCsv();
    syncChecks();
}

QWidget* PlayerWindow::videoWidget() const
{
    return video_;
}

QRect PlayerWindow::videoRect() const
{
    return video_->geometry();
}

int PlayerWindow::position() const
{
    return static_cast<int>(DsCtrl::GetCurrentPositionMilis());
}

ViewScale PlayerWindow::viewScale() const
{
    return ViewScale{app_.viewScaleX, app_.viewScaleY};
}

// ---- the movie

void PlayerWindow::OpenClip()
{
    LOG("called openclip()");
    if (app_.movieFileName.isEmpty()) {
        app_.movieFileName = prompts_.chooseMovie ? prompts_.chooseMovie() : QString();
        if (app_.movieFileName.isEmpty())
            return;
    }
    const QFileInfo movie(app_.movieFileName);
    LOG("movieFileName = ", app_.movieFileName);
    LOG("movieFileNameOnly = ", movie.fileName());
    if (!movie.exists() || movie.isDir()) {
        LOG("File not found: ", app_.movieFileName);
        app_.movieFileName.clear();
        return;
    }
    shotFile_ = app_.movieFileName + QStringLiteral("_shots.csv");
    const QFileInfo data(movie.path() + QLatin1Char('/') + movie.completeBaseName() +
                         QStringLiteral("_data"));
    LOG("_data dir = ", data.isDir() ? data.filePath() : QString());

    finished_ = false;
    endReported_ = false;
    if (const MediaResult hr = DsCtrl::PlayMovieInWindow(app_.movieFileName, *this, viewScale()); hr != 0) {
        LOG("PlayMovieInWindow() failed: ", hr);
        CloseClip();
        return;
    }
    graphics_ = std::make_unique<Graphics>(app_.multiQuality == 1 ? 512 : 256, DsCtrl::NativeVideoSize());

    const bool play = app_.mode == AppCtrl::Mode::Play;
    if (app_.playDelayMs > 0) {
        if (MixerBitmap* mixer = DsCtrl::GetMixerBitmap())
            graphics_->ShowIdle(*mixer);
        DsCtrl::PauseGraph();
        clock_.delayStart(app_.playDelayMs);
    }
    clock_.start(DsCtrl::GetTotalTimeMilis());
    const auto totalTime = static_cast<int>(clock_.totalTimeMs());
    // Paused before the seek: a movie that ran on between the two would stand a
    // few milliseconds past the asked time.
    if (!play)
        DsCtrl::PauseGraph();
    if (app_.beginTimeMs > 0) {
        DsCtrl::SetCurrentPositionMilis(app_.beginTimeMs);
        reports_.postToExtension(LinkCode::synchronisation, app_.beginTimeMs);
    }
    if (play) {
        reports_.postToServer(LinkCode::duration, totalTime);
        if (app_.monitorNum >= 0)
            setFullScreen(true);
    }
    LOG("Movie totalTime = ", totalTime);
    const QString problem = loadShots();
    exports_->movieOpened();
    UpdateTitle(position(), shots_.currentShot(position()).number);
    // Told once the movie is fully open, so that nothing waits half done behind the message.
    if (!problem.isEmpty())
        tell(problem);
}

void PlayerWindow::CloseClip()
{
    LOG("CloseClip()");
    // Nobody sits at the examination screen to answer a question, and a
    // question there would keep the program from ending: its shots stay unsaved.
    QString savedBeside;
    if (shots_.modified() && app_.mode != AppCtrl::Mode::Play) {
        // Ending the program waits for nobody: the edits are kept without a question,
        // in the shot file's own safe place.
        if (platform::terminationRequested()) {
            LOG("edited shots saved without asking: the program is ending");
            savedBeside = saveShots();
        } else if (prompts_.askYesNo && prompts_.askYesNo(loadString(IDS_SAVE_EDITED_SHOTS))) {
            savedBeside = saveShots();
        }
    }
    shots_.setModified(false);
    setWindowTitle(kCaption);
    DsCtrl::StopGraph();
    clock_.stop();
    graphics_.reset();
    DsCtrl::CloseInterfaces();
    setFullScreen(false);
    slider_->show();
    shots_.clear();
    app_.movieFileName.clear();
    video_->update();
    if (!savedBeside.isEmpty())
        tell(savedBeside);
}

QString PlayerWindow::loadShots()
{
    if (ServiceShotFile(shots_, shotFile_.toStdString(), true) || !shots_.loadFailed())
        return {};
    // Nobody at the examination screen is there to read it; the log has it.
    if (app_.mode == AppCtrl::Mode::Play)
        return {};
    return QCoreApplication::translate("PlayerWindow",
                                       "The shot file\n%1\ncannot be used: %2.\n\nThe shots read before the "
                                       "problem are shown. The file is left as it is: edited shots are saved "
                                       "to a new file beside it.")
        .arg(shotFile_, QString::fromStdString(shots_.describeLoadProblem()));
}

QString PlayerWindow::saveShots()
{
    const std::filesystem::path shotFile = shotFile_.toStdString();
    std::filesystem::path savedTo;
    // The list is dropped with the movie: a save that failed is not let go unnoticed.
    while (!ServiceShotFile(shots_, shotFile, false, &savedTo)) {
        const QString target =
            QString::fromStdString((shots_.loadFailed() ? besideShotFile(shotFile) : shotFile).string());
        if (platform::terminationRequested()) {
            LOG("the edited shots could not be saved to ", target, "; the program is ending");
            return {};
        }
        if (!prompts_.askYesNo(
                QCoreApplication::translate("PlayerWindow", "The shots could not be saved to\n%1\nTry again?")
                    .arg(target)))
            return {};
    }
    if (savedTo == shotFile)
        return {};
    return QCoreApplication::translate("PlayerWindow",
                                       "The shot file\n%1\ncould not be read, so it was left as it is. "
                                       "The shots were saved to\n%2")
        .arg(shotFile_, QString::fromStdString(savedTo.string()));
}

void PlayerWindow::tell(const QString& message)
{
    LOG("message to the user: ", message);
    // While the program ends nobody is left to close a message; the log keeps it.
    if (prompts_.tell && !platform::terminationRequested())
        prompts_.tell(message);
}

void PlayerWindow::OpenCsv()
{
    if (app_.mode != AppCtrl::Mode::File && app_.mode != AppCtrl::Mode::Directory)
        return;
    results_.clear();
    // Painted at once after every file: the window waits for the loading and runs no events meanwhile.
    QProgressBar progress(this);
    progress.setGeometry(0, height() - progress.sizeHint().height(), width(), progress.sizeHint().height());
    const auto showProgress = [&progress](size_t done, size_t total) {
        progress.setRange(0, static_cast<int>(total));
        progress.setValue(static_cast<int>(done));
        progress.show();
        progress.repaint();
    };
    ResultsFiles::loadFromCommandLine(results_, app_, showProgress);
    results_.calculateStats();
    shots_.recount();
}

// ---- reports and the clock's work

void PlayerWindow::finishExamination(int positionMs)
{
    if (finished_)
        return;
    finished_ = true;
    // Nothing may follow code 4: no tick reports a position after it.
    clock_.stop();
    DsCtrl::StopGraph();
    if (reports_.postToServer(LinkCode::finished, positionMs))
        LOG("PostMessage(", 4, ", ", positionMs, ")");
    reports_.closeExtension();
    quitProgram(0);
}

void PlayerWindow::quitProgram(int code)
{
    app_.RequestQuit(code);
    QCoreApplication::exit(code);
}

void PlayerWindow::drawOverlay(int positionMs)
{
    const bool single = app_.mode == AppCtrl::Mode::File;
    const bool many = app_.mode == AppCtrl::Mode::Directory;
    MixerBitmap* mixer = DsCtrl::GetMixerBitmap();
    if ((!single && !many) || mixer == nullptr || !graphics_)
        return;
    // Nothing loaded: nothing to draw, and no question to the empty set on every tick.
    if (results_.timeLines().empty()) {
        if (!mixer->isEmpty())
            mixer->Clear();
    } else if (single) {
        graphics_->DrawSingle(*mixer, results_, positionMs, overlayOptionsOf(app_));
    } else {
        graphics_->DrawMulti(*mixer, results_, shots_, positionMs, overlayOptionsOf(app_));
    }
    const bool stripWanted = strip_->wanted();
    strip_->follow(results_, shots_, many && app_.showSynchrony, clock_.totalTimeMs());
    if (strip_->wanted() != stripWanted)
        layoutClientArea();
}

void PlayerWindow::clearOverlay()
{
    if (MixerBitmap* mixer = DsCtrl::GetMixerBitmap(); mixer != nullptr && graphics_)
        graphics_->Clear(*mixer);
}

void PlayerWindow::setSliderPosition(int value)
{
    if (!slider_->isSliderDown())
        slider_->setValue(value);
}

void PlayerWindow::UpdateTitle(int positionMs, int shotNumber)
{
    const QString time = TitleText::movieTime(positionMs, DsCtrl::TimePerFrame());
    const QString shot = TitleText::shot(shotNumber, static_cast<int>(shots_.shots().size()));
    setWindowTitle(TitleText::windowTitle(app_.movieFileName, time, shot));
    if (app_.showBigCounter)
        counter_->setText(TitleText::counter(time, shot));
}

// ---- the window as the movie sees it

bool PlayerWindow::hasNormalFrame() const
{
    return !fullScreen_;
}

void PlayerWindow::resizeWindow(QSize size)
{
    resize(size);
}

QRect PlayerWindow::clientArea() const
{
    // The layout may not have followed a resize yet: place the parts now.
    layout()->setGeometry(rect());
    return centralWidget()->rect();
}

void PlayerWindow::showAndActivate()
{
    show();
    raise();
    activateWindow();
    setFocus();
}

void PlayerWindow::videoChanged()
{
    video_->update();
}

void PlayerWindow::graphNotify()
{
    if (const MediaResult hr = DsCtrl::HandleGraphEvent(); hr != 0)
        LOG("DsCtrl::HandleGraphEvent() failed: ", hr);
    if (!DsCtrl::MovieCompleted() || finished_ || endReported_)
        return;
    const int at = position();
    if (app_.mode == AppCtrl::Mode::Play) {
        // The camera recording hears of the end before it is asked to close.
        reports_.postToExtension(LinkCode::finished, at);
        finishExamination(at);
    } else {
        // The movie stays open at its end; the extension hears of it once. The
        // end of a play window (-e) may still come and must still quit.
        endReported_ = true;
        reports_.postToExtension(LinkCode::finished, at);
    }
}

// ---- layout and input

void PlayerWindow::layoutClientArea()
{
    const QSize client = centralWidget()->size();
    const bool strip = strip_->wanted() && !slider_->isHidden();
    const int below = slider_->isHidden() ? 0 : sliderHeight + (strip ? SynchronyStrip::stripHeight : 0);
    const int videoHeight = std::max(0, client.height() - below);
    video_->setGeometry(0, 0, client.width(), videoHeight);
    strip_->setGeometry(0, videoHeight, client.width(), SynchronyStrip::stripHeight);
    strip_->setVisible(strip);
    slider_->setGeometry(0, client.height() - sliderHeight, client.width(), sliderHeight);
    counter_->setGeometry(QRect(QPoint(0, videoHeight - kCounterAboveSlider), kCounterSize));
}

void PlayerWindow::setFullScreen(bool on)
{
    if (on == fullScreen_)
        return;
    fullScreen_ = on;
    if (on) {
        QRect area =
            QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
        if (app_.monitorNum >= 0 && app_.monitorNum < static_cast<int>(app_.monitors.size()))
            area = app_.monitors[static_cast<size_t>(app_.monitorNum)];
        menuBar()->hide();
        slider_->hide();
        setMinimumSize(0, 0);
        setWindowFlag(Qt::FramelessWindowHint, true);
        setGeometry(area);
        setWindowState(windowState() | Qt::WindowFullScreen);
        setCursor(Qt::BlankCursor);
        show();
    } else {
        menuBar()->show();
        slider_->show();
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setMinimumSize(defaultWidth, defaultHeight);
        unsetCursor();
        if (DsCtrl::IsMovieOpen()) {
            show();
            DsCtrl::InitVideoWindow(*this, viewScale());
        }
    }
    layout()->setGeometry(rect());
    layoutClientArea();
}

void PlayerWindow::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Escape:
        escape();
        return;
    case Qt::Key_Space:
        command(ID_PAUSE_RESUME);
        return;
    case Qt::Key_Right:
        command(shift ? ID_JUMP_FORWARD : ID_STEP_FORWARD);
        return;
    case Qt::Key_Left:
        command(shift ? ID_JUMP_BACK : ID_STEP_BACKWARD);
        return;
    case Qt::Key_R:
        command(ID_PREVIOUS_KEYPOINT);
        return;
    case Qt::Key_T:
        command(ID_NEXT_KEYPOINT);
        return;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        command(ID_PREVIOUS_SHOT);
        return;
    case Qt::Key_Slash:
        command(ID_START_OF_SHOT);
        return;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        command(ID_NEXT_SHOT);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        command(ID_TOGGLE_SHOT);
        return;
    case Qt::Key_F:
        command(ID_FULL_SCREEN);
        return;
    default:
        QMainWindow::keyPressEvent(event);
    }
}

void PlayerWindow::mousePressEvent(QMouseEvent* event)
{
    reportClick(*event);
}

void PlayerWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click has already come as a press of its
    // own; the default would hand this event to mousePressEvent once more.
    event->accept();
}

void PlayerWindow::reportClick(QMouseEvent& event)
{
    // Taken here, so that the press goes no further and is reported once.
    event.accept();
    if (event.button() == Qt::LeftButton || event.button() == Qt::RightButton)
        reports_.postToServer(LinkCode::interestingPoint, position());
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    exitProgram();
    event->accept();
}

void PlayerWindow::escape()
{
    const int at = position();
    if (reports_.postToServer(LinkCode::finished, at))
        LOG("PostMessage(", 4, ", ", at, ")");
    reports_.postToExtension(LinkCode::finished, at);
    CloseClip();
    if (app_.mode == AppCtrl::Mode::Play) {
        reports_.closeExtension();
        quitProgram(0);
    }
}

void PlayerWindow::exitProgram()
{
    if (DsCtrl::IsMovieOpen())
        CloseClip();
    reports_.closeExtension();
    quitProgram(0);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The parts follow the client area, which the menu bar may move without the window resizing.
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        layoutClientArea();
    return QMainWindow::eventFilter(watched, event);
}

// ---- what the command runner and the clock see

void PlayerWindow::syncChecks()
{
    const auto check = [this](int id, bool on) {
        if (QAction* item = actions_.value(id))
            item->setChecked(on);
    };
    check(ID_ADJUST_HORIZONTAL, app_.viewScaleX == 0.5);
    check(ID_ADJUST_VERTICAL, app_.viewScaleY == 0.5);
    check(ID_ADJUST_DEFAULT, app_.viewScaleX == 1.0 && app_.viewScaleY == 1.0);
    check(ID_DATA_FILTERED, app_.dataFiltered);
    check(ID_SINGLE_RESULT, app_.mode == AppCtrl::Mode::File);
    check(ID_MULTI_RESULTS, app_.mode == AppCtrl::Mode::Directory);
    check(ID_CONSIDER_FOCUS_TIME, app_.considerFocusTime);
    check(ID_SHOW_COUNTER, app_.showBigCounter);
    check(ID_FAST_PRESENTATION, app_.multiQuality == 0);
    check(ID_ACCURATE_PRESENTATION, app_.multiQuality == 1);
    check(ID_SHOW_HEATMAP, app_.showHeatmap);
    check(ID_SHOW_KEYPOINTS, app_.showActions);
    check(ID_SHOW_PUPIL, app_.showPupil);
    check(ID_SHOW_SCANPATH, app_.showScanPath);
    check(ID_SHOW_SYNCHRONY, app_.showSynchrony);
    check(ID_LOOP_SHOT, clock_.loopCurrentShot());
}

void PlayerWindow::command(int id)
{
    // The exports run the programs beside the player and ask for a file: the window's own commands.
    if (id == ID_EXPORT_VIDEO)
        exports_->exportVideo();
    else if (id == ID_FIND_SHOTS)
        exports_->findShots();
    else
        commands_.command(id);
}

void PlayerWindow::commandDone()
{
    syncChecks();
    // A paused movie shows a changed option or new results at once, not at its next move.
    if (DsCtrl::IsMovieOpen())
        drawOverlay(position());
}

void PlayerWindow::showCounter(bool shown)
{
    counter_->setVisible(shown);
}

void PlayerWindow::viewScaleChanged()
{
    if (DsCtrl::IsMovieOpen())
        DsCtrl::InitVideoWindow(*this, viewScale());
}

void PlayerWindow::presentationChanged()
{
    if (graphics_)
        graphics_ = std::make_unique<Graphics>(app_.multiQuality == 1 ? 512 : 256, DsCtrl::NativeVideoSize());
}

void PlayerWindow::showAbout()
{
    QMessageBox::about(this, tr("About Gazeview"),
                       tr("Orvalis Reelscan Gazeview\n\nPlays a movie with the gaze of its viewers."));
}

bool PlayerWindow::askYesNo(const QString& question)
{
    return prompts_.askYesNo && prompts_.askYesNo(question);
}

QStringList PlayerWindow::chooseResults()
{
    return prompts_.chooseResults ? prompts_.chooseResults() : QStringList();
}

QString PlayerWindow::chooseRecording()
{
    return prompts_.chooseRecording ? prompts_.chooseRecording() : QString();
}

int PlayerWindow::moviePositionMs() const
{
    return position();
}

void PlayerWindow::startMovie()
{
    DsCtrl::RunGraph();
    clearOverlay();
}

void PlayerWindow::seekMovie(int positionMs)
{
    DsCtrl::SetCurrentPositionMilis(positionMs);
}
