#include "player/PlayerMenus.h"

#include "player/core/AppCtrl.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace {

struct Item
{
    int id; // 0: a separator
    const char* text;
    const char* shortcut = nullptr; // keys the menu itself answers
    bool checkable = false;
};

struct Menu
{
    const char* title;
    std::initializer_list<Item> items;
};

const char* const kContext = "Menu";

const Menu kMenus[] = {
    {QT_TRANSLATE_NOOP("Menu", "&File"),
     {{ID_FILE_OPENCLIP, QT_TRANSLATE_NOOP("Menu", "&Open examined movie...\t^O"), "Ctrl+O"},
      {ID_FILE_CLOSE, QT_TRANSLATE_NOOP("Menu", "&Close examined movie\tESC")},
      {0, nullptr},
      {ID_OPEN_RESULTS, QT_TRANSLATE_NOOP("Menu", "Open &examination results...\t^D"), "Ctrl+D"},
      {0, nullptr},
      {ID_OPEN_RECORDING, QT_TRANSLATE_NOOP("Menu", "Open &camera registration...\t^R"), "Ctrl+R"},
      {0, nullptr},
      {ID_EXPORT_VIDEO, QT_TRANSLATE_NOOP("Menu", "Export &video of the results...")},
      {ID_FIND_SHOTS, QT_TRANSLATE_NOOP("Menu", "&Find the shots of a movie without a shot file")},
      {0, nullptr},
      {ID_NEW_EXAMINATION, QT_TRANSLATE_NOOP("Menu", "Start new examination...")},
      {0, nullptr},
      {ID_FILE_EXIT, QT_TRANSLATE_NOOP("Menu", "E&xit")}}},
    {QT_TRANSLATE_NOOP("Menu", "&Navigation"),
     {{ID_PAUSE_RESUME, QT_TRANSLATE_NOOP("Menu", "Pause/resume\tSPACE")},
      {ID_STEP_FORWARD, QT_TRANSLATE_NOOP("Menu", "Step forward\t->")},
      {ID_STEP_BACKWARD, QT_TRANSLATE_NOOP("Menu", "Step backward\t<-")},
      {ID_JUMP_FORWARD, QT_TRANSLATE_NOOP("Menu", "Jump forward\t^->")},
      {ID_JUMP_BACK, QT_TRANSLATE_NOOP("Menu", "Jump back\t^<-")},
      {0, nullptr},
      {ID_PREVIOUS_KEYPOINT, QT_TRANSLATE_NOOP("Menu", "Previous keypoint\tR")},
      {ID_NEXT_KEYPOINT, QT_TRANSLATE_NOOP("Menu", "Next keypoint\tT")},
      {0, nullptr},
      {ID_SLOWER, QT_TRANSLATE_NOOP("Menu", "Slower")},
      {ID_NORMAL_SPEED, QT_TRANSLATE_NOOP("Menu", "Normal playback")},
      {ID_FASTER, QT_TRANSLATE_NOOP("Menu", "Faster")}}},
    {QT_TRANSLATE_NOOP("Menu", "Shots"),
     {{ID_PREVIOUS_SHOT, QT_TRANSLATE_NOOP("Menu", "Previous shot\t<")},
      {ID_START_OF_SHOT, QT_TRANSLATE_NOOP("Menu", "Start current shot\t/")},
      {ID_NEXT_SHOT, QT_TRANSLATE_NOOP("Menu", "Next shot\t>")},
      {0, nullptr},
      {ID_TOGGLE_SHOT, QT_TRANSLATE_NOOP("Menu", "Add/remove shot\t+")},
      {0, nullptr},
      {ID_LOOP_SHOT, QT_TRANSLATE_NOOP("Menu", "Loop current shot"), nullptr, true}}},
    {QT_TRANSLATE_NOOP("Menu", "Analyse"),
     {{ID_CONSIDER_FOCUS_TIME, QT_TRANSLATE_NOOP("Menu", "Consider focus time"), nullptr, true},
      {0, nullptr},
      {ID_ADJUST_HORIZONTAL, QT_TRANSLATE_NOOP("Menu", "Adjust screen horizontally"), nullptr, true},
      {ID_ADJUST_VERTICAL, QT_TRANSLATE_NOOP("Menu", "Adjust screen vertically"), nullptr, true},
      {ID_ADJUST_DEFAULT, QT_TRANSLATE_NOOP("Menu", "Default screen"), nullptr, true},
      {0, nullptr},
      {ID_SHOW_HEATMAP, QT_TRANSLATE_NOOP("Menu", "Show focus heatmap"), nullptr, true},
      {ID_SHOW_KEYPOINTS, QT_TRANSLATE_NOOP("Menu", "Show keypoints"), nullptr, true},
      {ID_SHOW_PUPIL, QT_TRANSLATE_NOOP("Menu", "Show pupil size"), nullptr, true},
      {ID_SHOW_SCANPATH, QT_TRANSLATE_NOOP("Menu", "Show scan path"), nullptr, true},
      {ID_SHOW_SYNCHRONY, QT_TRANSLATE_NOOP("Menu", "Show viewers' synchrony"), nullptr, true},
      {ID_FAST_PRESENTATION, QT_TRANSLATE_NOOP("Menu", "Fast presentation"), nullptr, true},
      {ID_ACCURATE_PRESENTATION, QT_TRANSLATE_NOOP("Menu", "Accurate presentation"), nullptr, true},
      {0, nullptr},
      {ID_SINGLE_RESULT, QT_TRANSLATE_NOOP("Menu", "Single test result"), nullptr, true},
      {ID_MULTI_RESULTS, QT_TRANSLATE_NOOP("Menu", "Multi tests result"), nullptr, true},
      {0, nullptr},
      {ID_DATA_FILTERED, QT_TRANSLATE_NOOP("Menu", "Data filtered"), nullptr, true},
      {0, nullptr},
      {ID_BIGGEST_PUPIL, QT_TRANSLATE_NOOP("Menu", "Find the biggest pupil size")}}},
    {QT_TRANSLATE_NOOP("Menu", "View"),
     {{ID_SHOW_COUNTER, QT_TRANSLATE_NOOP("Menu", "Show Timeline / Shot counter"), nullptr, true},
      {ID_SHOW_LEGEND, QT_TRANSLATE_NOOP("Menu", "Show legend"), nullptr, true},
      {0, nullptr},
      {ID_FULL_SCREEN, QT_TRANSLATE_NOOP("Menu", "Full Screen")}}},
    {QT_TRANSLATE_NOOP("Menu", "Settings"), {}},
    {QT_TRANSLATE_NOOP("Menu", "&About"), {{ID_ABOUT, QT_TRANSLATE_NOOP("Menu", "&About...")}}},
};

QAction* addItem(QMenu& menu, const Item& item, const std::function<void(int)>& onCommand)
{
    if (item.id == 0) {
        menu.addSeparator();
        return nullptr;
    }
    QAction* action = menu.addAction(QCoreApplication::translate(kContext, item.text));
    action->setCheckable(item.checkable);
    if (item.shortcut != nullptr)
        action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
    const int id = item.id;
    // A checkable item keeps its mark as the command sets it, not as the click toggled it.
    QObject::connect(action, &QAction::triggered, action, [onCommand, id] { onCommand(id); });
    return action;
}

} // namespace

QHash<int, QAction*> buildPlayerMenus(QMenuBar& bar, const std::function<void(int)>& onCommand)
{
    QHash<int, QAction*> actions;
    for (const Menu& menu : kMenus) {
        QMenu* submenu = bar.addMenu(QCoreApplication::translate(kContext, menu.title));
        if (menu.items.size() == 0) {
            QMenu* language = submenu->addMenu(
                QCoreApplication::translate(kContext, QT_TRANSLATE_NOOP("Menu", "&Language")));
            for (const Item& item : {Item{ID_LANGUAGE_ENGLISH, QT_TRANSLATE_NOOP("Menu", "&English")},
                                     Item{ID_LANGUAGE_POLISH, QT_TRANSLATE_NOOP("Menu", "&Polish")}})
                actions.insert(item.id, addItem(*language, item, onCommand));
            continue;
        }
        for (const Item& item : menu.items)
            if (QAction* action = addItem(*submenu, item, onCommand))
                actions.insert(item.id, action);
    }
    return actions;
}

void syncMenuChecks(const QHash<int, QAction*>& items, const AppCtrl& app, bool loopCurrentShot)
{
    const auto check = [&items](int id, bool on) {
        if (QAction* item = items.value(id))
            item->setChecked(on);
    };
    check(ID_ADJUST_HORIZONTAL, app.viewScaleX == 0.5);
    check(ID_ADJUST_VERTICAL, app.viewScaleY == 0.5);
    check(ID_ADJUST_DEFAULT, app.viewScaleX == 1.0 && app.viewScaleY == 1.0);
    check(ID_DATA_FILTERED, app.dataFiltered);
    check(ID_SINGLE_RESULT, app.mode == AppCtrl::Mode::File);
    check(ID_MULTI_RESULTS, app.mode == AppCtrl::Mode::Directory);
    check(ID_CONSIDER_FOCUS_TIME, app.considerFocusTime);
    check(ID_SHOW_COUNTER, app.showBigCounter);
    check(ID_FAST_PRESENTATION, app.multiQuality == 0);
    check(ID_ACCURATE_PRESENTATION, app.multiQuality == 1);
    check(ID_SHOW_HEATMAP, app.showHeatmap);
    check(ID_SHOW_KEYPOINTS, app.showActions);
    check(ID_SHOW_PUPIL, app.showPupil);
    check(ID_SHOW_SCANPATH, app.showScanPath);
    check(ID_SHOW_SYNCHRONY, app.showSynchrony);
    check(ID_SHOW_LEGEND, app.showLegend);
    check(ID_LOOP_SHOT, loopCurrentShot);
}

void holdShortcuts(QWidget& window, const QHash<int, QAction*>& items)
{
    for (QAction* item : items)
        if (!item->shortcut().isEmpty())
            window.addAction(item);
}
