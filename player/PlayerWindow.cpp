#include "player/PlayerWindow.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/BigCounter.h"
#include "player/PlayerAois.h"
#include "player/PlayerExports.h"
#include "player/PlayerMenus.h"
#include "player/PlayerPrompts.h"
#include "player/SynchronyStrip.h"
#include "player/TimeSlider.h"
#include "player/VideoWidget.h"
#include "player/core/AppCtrl.h"
#include "player/core/KeyCommands.h"
#include "player/core/ResultsFiles.h"
#include "player/core/TitleText.h"
#include "player/media/DsCtrl.h"
#include "player/overlay/Graphics.h"
#include "player/overlay/Legend.h"
#include "player/overlay/OverlayFrame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

namespace {

constexpr QSize kCounterSize(256, 80);

} // namespace

PlayerWindow::PlayerWindow(AppCtrl& app, QWidget* parent)
    : QMainWindow(parent), app_(app), video_(new VideoWidget), slider_(new TimeSlider(sliderRange)),
      strip_(new SynchronyStrip), counter_(new BigCounter), shots_(results_), link_(app),
      clock_(*this, app, shots_, link_), commands_(*this, app, results_, shots_, clock_, link_),
      session_(app, *this, *this, shots_, clock_, link_)
{
    setObjectName(QStringLiteral("GazeviewCls"));
    setWindowTitle(TitleText::caption());
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
    video_->setPaintOnTop([this](QPainter& painter) { paintLegend(painter); });
    slider_->setParent(client);
    connect(slider_, &QSlider::sliderMoved, this, &PlayerWindow::seekFromSlider);
    connect(slider_, &QSlider::sliderReleased, this, &PlayerWindow::seekFromSlider);

    strip_->setParent(client);
    counter_->setParent(client);
    counter_->setVisible(app_.showBigCounter);
    setCentralWidget(client);

    actions_ = buildPlayerMenus(*menuBar(), [this](int id) { command(id); });
    holdShortcuts(*this, actions_);
    exports_ = std::make_unique<PlayerExports>(*this, app_, shots_, actions_.value(ID_FIND_SHOTS));
    // Its menu goes after the Shots menu, whose file it keeps beside the movie the same way.
    aois_ = std::make_unique<PlayerAois>(*this, *video_, app_, prompts_, *this, 3);
    syncChecks();

    LOG("ownFileName: ", app_.ownFileName);
    LOG("recorderFileName: ", app_.recorderFileName);
    link_.findRecorder();
}

PlayerWindow::~PlayerWindow()
{
    if (DsCtrl::IsMovieOpen())
        session_.close();
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

// ---- the movie as the session sees the window

QString PlayerWindow::chooseMovie()
{
    return prompts_.chooseMovie ? prompts_.chooseMovie() : QString();
}

void PlayerWindow::tell(const QString& message)
{
    if (prompts_.tell)
        prompts_.tell(message);
}

void PlayerWindow::overlayOpened(bool idle)
{
    graphics_ = std::make_unique<Graphics>(heatResolutionOf(app_), DsCtrl::NativeVideoSize());
    if (MixerBitmap* mixer = DsCtrl::GetMixerBitmap(); idle && mixer != nullptr)
        graphics_->ShowIdle(*mixer);
}

void PlayerWindow::movieOpened()
{
    slider_->setTotalTimeMs(clock_.totalTimeMs());
    exports_->movieOpened();
    aois_->movieOpened();
    UpdateTitle(position(), shots_.currentShot(position()).number);
}

void PlayerWindow::movieClosed()
{
    setWindowTitle(TitleText::caption());
    aois_->movieClosed();
    graphics_.reset();
    slider_->setTotalTimeMs(0);
    slider_->show();
    video_->update();
}

void PlayerWindow::seekFromSlider()
{
    if (!DsCtrl::IsMovieOpen())
        return;
    session_.seekFromSlider(slider_->sliderPosition() * clock_.totalTimeMs() / sliderRange);
    setFocus();
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

// ---- the clock's work

void PlayerWindow::drawOverlay(int positionMs)
{
    const bool many = app_.mode == AppCtrl::Mode::Directory;
    const bool gaze = app_.mode == AppCtrl::Mode::File || many;
    MixerBitmap* mixer = DsCtrl::GetMixerBitmap();
    if (app_.mode == AppCtrl::Mode::Play || mixer == nullptr || !graphics_)
        return;
    if (gaze)
        drawOverlayFrame(*graphics_, *mixer, app_, results_, shots_, positionMs);
    aois_->drawOver(*mixer, positionMs, gaze);
    if (!gaze)
        return;
    const bool stripWanted = strip_->wanted();
    strip_->follow(results_, shots_, many && app_.showSynchrony, clock_.totalTimeMs());
    if (strip_->wanted() != stripWanted)
        layoutClientArea();
}

void PlayerWindow::paintLegend(QPainter& painter) const
{
    const int viewers = static_cast<int>(results_.timeLines().size());
    if (const auto content = playerLegendOf(app_, viewers, position(), aois_ && aois_->areasShown()))
        Legend(*content).draw(painter, DsCtrl::VideoRect());
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
    session_.movieEvent();
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
    // Top left: along the bottom it would hide the pupil bar and the keypoint
    // squares, and the legend takes the top right.
    counter_->setGeometry(QRect(QPoint(0, 0), kCounterSize));
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
    if (event->key() == Qt::Key_Escape)
        session_.escape();
    else if (const int id = commandOfKey(event->key(), event->modifiers().testFlag(Qt::ShiftModifier));
             id != 0)
        command(id);
    else
        QMainWindow::keyPressEvent(event);
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
        session_.interestingPoint();
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    exitProgram();
    event->accept();
}

void PlayerWindow::exitProgram()
{
    session_.exitProgram();
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
    syncMenuChecks(actions_, app_, clock_.loopCurrentShot());
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
    if (DsCtrl::IsMovieOpen()) {
        drawOverlay(position());
        video_->update();
    }
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
        graphics_ = std::make_unique<Graphics>(heatResolutionOf(app_), DsCtrl::NativeVideoSize());
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

void PlayerWindow::startMovie()
{
    DsCtrl::RunGraph();
    clearOverlay();
}

void PlayerWindow::seekMovie(int positionMs)
{
    DsCtrl::SetCurrentPositionMilis(positionMs);
}
