#pragma once

#include "player/core/AoiDocument.h"
#include "player/core/AoiEditor.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QString>
#include <optional>

class AoiDock;
class AppCtrl;
class ClockView;
class MixerBitmap;
class QAction;
class QMainWindow;
class QMenu;
struct PlayerPrompts;

// The areas of interest in the player's window: the "Areas of interest" menu,
// the list beside the movie, the mouse over the movie while editing, and the
// file beside the open movie. The editing itself is AoiEditor's; this class
// only hands it the mouse, the menu and the movie's time.
class PlayerAois : public QObject
{
public:
    enum Item : int
    {
        Editing = 1,
        Shown,
        Rectangles,
        Ellipses,
        HideFromHere,
        RemoveKey,
        RemoveArea,
        RenameArea,
        PreviousKey,
        NextKey,
        Undo,
        ShowList
    };

    // Everything given must outlive this object. The menu goes into the
    // window's menu bar before the menu at menuIndex; view shows the movie at a time.
    PlayerAois(QMainWindow& window, QWidget& video, const AppCtrl& app, const PlayerPrompts& prompts,
               ClockView& view, int menuIndex);
    ~PlayerAois() override;

    // Loads the areas of the movie just opened (none at the examination screen).
    void movieOpened();
    // Saves the edited areas as the shot file is saved, and forgets them.
    void movieClosed();
    // Lays the shown areas over the gaze the mixer holds (overGaze), or alone.
    void drawOver(MixerBitmap& mixer, int positionMs, bool overGaze);
    void run(int item);

    AoiEditor& editor() { return editor_; }
    AoiDocument& document() { return document_; }
    QAction* action(int item) const { return actions_.value(item); }
    AoiDock* dock() const { return dock_; }
    // True while areas are drawn over the movie.
    bool areasShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenu* buildMenu(QMainWindow& window, int menuIndex);
    std::optional<QPoint> frameAt(const QPointF& point) const;
    void finishDrawing(const AoiKey& box);
    // Asks for the selected area's new name until one is taken or none is given.
    void renameSelected();
    void report(AoiSet::Edit edit);
    // The menu's items, the list and the cursor as the areas and the mode are now.
    void syncMenu();
    // syncMenu(), and the overlay drawn again.
    void changed();
    void showAt(int positionMs);
    int position() const;

    QMainWindow& window_;
    QWidget& video_;
    const AppCtrl& app_;
    const PlayerPrompts& prompts_;
    ClockView& view_;
    AoiDocument document_;
    AoiEditor editor_;
    AoiDock* dock_;
    QHash<int, QAction*> actions_;
    bool shown_ = true;
    // A new area's box, shown while its name is asked for.
    std::optional<AoiKey> naming_;
    // The mixer holds areas drawn alone, to be replaced; anything else in it (the idle pattern) stays under
    // them.
    bool drewAlone_ = false;
};
