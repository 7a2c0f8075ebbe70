#include "player/PlayerAois.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/quit_signals.h"
#include "player/AoiDock.h"
#include "player/PlayerPrompts.h"
#include "player/core/AppCtrl.h"
#include "player/core/ClockView.h"
#include "player/core/FrameUnits.h"
#include "player/media/DsCtrl.h"
#include "player/overlay/AoiMarks.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>

namespace {

struct Entry
{
    int item; // 0: a separator
    const char* text;
    const char* shortcut = nullptr;
    bool checkable = false;
};

const Entry kEntries[] = {
    {PlayerAois::Editing, QT_TRANSLATE_NOOP("Menu", "Edit areas of interest"), nullptr, true},
    {PlayerAois::Shown, QT_TRANSLATE_NOOP("Menu", "Show areas of interest"), nullptr, true},
    {PlayerAois::ShowList, QT_TRANSLATE_NOOP("Menu", "List of areas"), nullptr, true},
    {0, nullptr},
    {PlayerAois::Rectangles, QT_TRANSLATE_NOOP("Menu", "Draw rectangles"), nullptr, true},
    {PlayerAois::Ellipses, QT_TRANSLATE_NOOP("Menu", "Draw ellipses"), nullptr, true},
    {0, nullptr},
    {PlayerAois::RenameArea, QT_TRANSLATE_NOOP("Menu", "Rename area...")},
    {PlayerAois::HideFromHere, QT_TRANSLATE_NOOP("Menu", "Hide from here")},
    {PlayerAois::RemoveKey, QT_TRANSLATE_NOOP("Menu", "Delete the key at this time")},
    {PlayerAois::RemoveArea, QT_TRANSLATE_NOOP("Menu", "Delete the area\tDel"), "Del"},
    {0, nullptr},
    {PlayerAois::PreviousKey, QT_TRANSLATE_NOOP("Menu", "Previous key\t["), "["},
    {PlayerAois::NextKey, QT_TRANSLATE_NOOP("Menu", "Next key\t]"), "]"},
    {0, nullptr},
    {PlayerAois::Undo, QT_TRANSLATE_NOOP("Menu", "Undo\t^Z"), "Ctrl+Z"},
};

QString problemOf(AoiSet::Edit edit)
{
    switch (edit) {
    case AoiSet::Edit::Done:
        break;
    case AoiSet::Edit::BadName:
        return QCoreApplication::translate(
            "PlayerWindow",
            "A name must not be empty or longer than 200 bytes, nor hold ';' or a line break.");
    case AoiSet::Edit::NameTaken:
        return QCoreApplication::translate("PlayerWindow", "Another area already has this name.");
    case AoiSet::Edit::NoSuchAoi:
        return QCoreApplication::translate("PlayerWindow", "Select an area first.");
    case AoiSet::Edit::NoSuchKey:
        return QCoreApplication::translate("PlayerWindow", "The selected area has no key at this time.");
    case AoiSet::Edit::BadTime:
    case AoiSet::Edit::BadBox:
        return QCoreApplication::translate("PlayerWindow", "The area cannot be placed there.");
    case AoiSet::Edit::TooMany:
        return QCoreApplication::translate("PlayerWindow", "No more areas or keys can be added.");
    }
    return {};
}

// How near a corner, in screen pixels, a press takes hold of it.
constexpr int kHandleSlackPixels = 8;

} // namespace

PlayerAois::PlayerAois(QMainWindow& window, QWidget& video, const AppCtrl& app, const PlayerPrompts& prompts,
                       ClockView& view, int menuIndex)
    : window_(window), video_(video), app_(app), prompts_(prompts), view_(view), editor_(document_.aois()),
      dock_(new AoiDock(
          &window,
          [this](int row) {
              editor_.select(row);
              changed();
          },
          [this](int row) {
              editor_.select(row);
              changed();
              // Asked once the click is over: the dialog runs no nested loop inside the list's handling.
              QTimer::singleShot(0, this, [this] { renameSelected(); });
          }))
{
    buildMenu(window, menuIndex);
    window.addDockWidget(Qt::RightDockWidgetArea, dock_);
    dock_->hide();
    connect(dock_, &QDockWidget::visibilityChanged, this,
            [this](bool visible) { actions_.value(ShowList)->setChecked(visible); });
    video.installEventFilter(this);
    syncMenu();
}

PlayerAois::~PlayerAois()
{
    // The list calls back into this object: it goes first.
    delete dock_;
}

QMenu* PlayerAois::buildMenu(QMainWindow& window, int menuIndex)
{
    auto* menu = new QMenu(QCoreApplication::translate("Menu", "Areas of interest"), &window);
    const QList<QAction*> menus = window.menuBar()->actions();
    window.menuBar()->insertMenu(menuIndex < menus.size() ? menus[menuIndex] : nullptr, menu);
    auto* shapes = new QActionGroup(menu);
    for (const Entry& entry : kEntries) {
        if (entry.item == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QCoreApplication::translate("Menu", entry.text));
        action->setCheckable(entry.checkable);
        if (entry.shortcut != nullptr) {
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
            // Kept by the window as well: the menu bar is hidden in full screen.
            window.addAction(action);
        }
        if (entry.item == Rectangles || entry.item == Ellipses)
            shapes->addAction(action);
        const int item = entry.item;
        connect(action, &QAction::triggered, this, [this, item] { run(item); });
        actions_.insert(item, action);
    }
    return menu;
}

int PlayerAois::position() const
{
    return view_.moviePositionMs();
}

void PlayerAois::movieOpened()
{
    editor_.reset();
    if (app_.mode != AppCtrl::Mode::Play) {
        const QString problem = document_.open(app_.movieFileName.toStdString());
        if (!problem.isEmpty() && prompts_.tell) {
            LOG("message to the user: ", problem);
            prompts_.tell(problem);
        }
    }
    changed();
}

void PlayerAois::movieClosed()
{
    // The next movie starts outside the mode, where a click is a keypoint again.
    editor_.setEditing(false);
    editor_.reset();
    const bool ending = platform::terminationRequested();
    const QString told = document_.close(
        [this](const QString& question) { return prompts_.askYesNo && prompts_.askYesNo(question); }, ending);
    if (!told.isEmpty()) {
        LOG("message to the user: ", told);
        if (!ending && prompts_.tell)
            prompts_.tell(told);
    }
    changed();
}

void PlayerAois::drawOver(MixerBitmap& mixer, int positionMs, bool overGaze)
{
    AoiView view = editor_.view();
    if (!shown_ && !editor_.editing())
        view.aois = nullptr;
    if (naming_) {
        view.selected = -1;
        view.dragged = AoiBox{naming_->shape, double(naming_->x), double(naming_->y), double(naming_->width),
                              double(naming_->height)};
    }
    const bool drawn =
        layAoiMarks(mixer, DsCtrl::NativeVideoSize(), view, positionMs, overGaze || !drewAlone_);
    drewAlone_ = drawn && !overGaze;
}

bool PlayerAois::areasShown() const
{
    return document_.isOpen() && (shown_ || editor_.editing()) && !document_.aois().aois().empty();
}

void PlayerAois::showAt(int positionMs)
{
    if (positionMs != position())
        view_.seekMovie(positionMs);
    view_.drawOverlay(positionMs);
}

void PlayerAois::syncMenu()
{
    const bool open = document_.isOpen();
    const bool editing = open && editor_.editing();
    const bool chosen = editing && editor_.selected() >= 0;
    for (const int item : {Editing, Shown, ShowList})
        actions_.value(item)->setEnabled(open);
    for (const int item : {Rectangles, Ellipses})
        actions_.value(item)->setEnabled(editing);
    for (const int item : {RenameArea, HideFromHere, RemoveKey, RemoveArea, PreviousKey, NextKey})
        actions_.value(item)->setEnabled(chosen);
    actions_.value(Undo)->setEnabled(editing && document_.aois().canUndo());
    actions_.value(Editing)->setChecked(editing);
    actions_.value(Shown)->setChecked(shown_);
    actions_.value(Rectangles)->setChecked(editor_.newShape() == AoiShape::Rectangle);
    actions_.value(Ellipses)->setChecked(editor_.newShape() == AoiShape::Ellipse);
    dock_->showAreas(document_.aois().aois(), editor_.selected());
    // Full screen hides the window's cursor; drawing needs one over the movie.
    // Unset, the movie takes the window's cursor again.
    if (editing)
        video_.setCursor(Qt::CrossCursor);
    else
        video_.unsetCursor();
}

void PlayerAois::changed()
{
    syncMenu();
    if (DsCtrl::IsMovieOpen())
        view_.drawOverlay(position());
}

void PlayerAois::report(AoiSet::Edit edit)
{
    if (edit == AoiSet::Edit::Done)
        return;
    LOG("area of interest edit refused: ", static_cast<int>(edit));
    if (prompts_.tell)
        prompts_.tell(problemOf(edit));
}

void PlayerAois::run(int item)
{
    const int at = position();
    switch (item) {
    case Editing:
        editor_.setEditing(!editor_.editing());
        if (editor_.editing())
            dock_->show();
        break;
    case Shown:
        shown_ = !shown_;
        break;
    case ShowList:
        dock_->setVisible(!dock_->isVisible());
        break;
    case Rectangles:
        editor_.setNewShape(AoiShape::Rectangle);
        break;
    case Ellipses:
        editor_.setNewShape(AoiShape::Ellipse);
        break;
    case RenameArea:
        renameSelected();
        break;
    case HideFromHere:
        report(editor_.hideSelected(at));
        break;
    case RemoveKey:
        report(editor_.removeSelectedKey(at));
        break;
    case RemoveArea:
        report(editor_.removeSelected());
        break;
    case PreviousKey:
    case NextKey:
        if (const auto key = item == NextKey ? editor_.nextKey(at) : editor_.previousKey(at)) {
            DsCtrl::PauseGraph();
            showAt(*key);
        }
        break;
    case Undo:
        editor_.undo();
        break;
    default:
        return;
    }
    changed();
}

std::optional<QPoint> PlayerAois::frameAt(const QPointF& point) const
{
    const auto units =
        frameUnitsAt(point, DsCtrl::VideoRect(), DsCtrl::SourceRect(), DsCtrl::NativeVideoSize());
    if (!units)
        return std::nullopt;
    return units->toPoint();
}

bool PlayerAois::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (watched != &video_ || !editor_.editing() || !document_.isOpen() || !DsCtrl::IsMovieOpen() ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
         type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick))
        return QObject::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const auto at = frameAt(mouse->localPos());
    if (!at)
        return true;
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        // Areas are drawn on a still frame: the one under the mouse now.
        if (DsCtrl::GetGraphState() == DsCtrl::GraphState::Running)
            DsCtrl::PauseGraph();
        const auto corner = frameAt(mouse->localPos() + QPointF(kHandleSlackPixels, kHandleSlackPixels));
        const QPoint slack = corner ? *corner - *at : QPoint();
        editor_.press(*at, position(), QPoint(std::abs(slack.x()), std::abs(slack.y())));
        changed();
    } else if (type == QEvent::MouseMove && editor_.dragging()) {
        editor_.moveTo(*at);
        view_.drawOverlay(position());
    } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        if (const auto drawn = editor_.release(*at))
            // Named once this event is over: the dialog runs no nested loop inside the mouse's handling.
            QTimer::singleShot(0, this, [this, box = *drawn] { finishDrawing(box); });
        changed();
    }
    return true;
}

void PlayerAois::finishDrawing(const AoiKey& box)
{
    if (!prompts_.nameArea || !document_.isOpen())
        return;
    naming_ = box;
    view_.drawOverlay(position());
    QString problem;
    for (;;) {
        const QString name = prompts_.nameArea(problem, QString());
        // The movie may have closed while the question was open.
        if (name.isEmpty() || !document_.isOpen())
            break;
        const AoiSet::Edit done = editor_.addNamed(name.toStdString(), box.timeMs, box);
        if (done != AoiSet::Edit::BadName && done != AoiSet::Edit::NameTaken) {
            report(done);
            break;
        }
        LOG("area of interest name refused: ", static_cast<int>(done));
        problem = problemOf(done);
    }
    naming_.reset();
    changed();
}

void PlayerAois::renameSelected()
{
    const std::ptrdiff_t index = editor_.selected();
    if (!prompts_.nameArea || !document_.isOpen() || !editor_.editing() || index < 0)
        return;
    const std::vector<Aoi>& aois = document_.aois().aois();
    if (static_cast<std::size_t>(index) >= aois.size())
        return;
    const QString current = QString::fromStdString(aois[static_cast<std::size_t>(index)].name);
    QString problem;
    for (;;) {
        const QString name = prompts_.nameArea(problem, current);
        // The movie may have closed, or the area gone, while the question was open.
        if (name.isEmpty() || !document_.isOpen() || editor_.selected() != index)
            break;
        const AoiSet::Edit done = editor_.renameSelected(name.toStdString());
        if (done != AoiSet::Edit::BadName && done != AoiSet::Edit::NameTaken) {
            report(done);
            break;
        }
        LOG("area of interest name refused: ", static_cast<int>(done));
        problem = problemOf(done);
    }
}
