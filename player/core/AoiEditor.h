#pragma once

#include "player/data/AoiSet.h"
#include "player/data/AoiView.h"

#include <QPoint>
#include <cstddef>
#include <optional>
#include <string>

// What the mouse and the menu do to the areas of interest of the open movie:
// the editing mode, the selected area, and a drag that draws a new area,
// moves the selected one or resizes it by a corner. Points are in
// results-file units (1,000,000 = the frame). Every change goes through the
// set, so that it can be undone. Used from one thread.
class AoiEditor
{
public:
    // Narrower or lower than this, a drawn box is taken for a click.
    static constexpr int kMinDrawnSize = 5000;

    // The set must outlive the editor.
    explicit AoiEditor(AoiSet& aois);

    bool editing() const { return editing_; }
    // Leaving the mode ends a drag without a change.
    void setEditing(bool on);
    // The shape a drawn area takes: rectangle or ellipse.
    AoiShape newShape() const { return newShape_; }
    void setNewShape(AoiShape shape);

    std::ptrdiff_t selected() const { return selected_; }
    // -1, or an index out of range, selects nothing.
    void select(std::ptrdiff_t index);
    // Forgets the selection and any drag (as when another movie opens).
    void reset();

    // A press at `at` on the frame at movie time timeMs, in the mode: on a
    // corner handle of the selected area (within slack of it, per axis) it
    // starts a resize; inside the shape of an area shown then (the topmost;
    // an ellipse within its outline) it selects it and starts a move;
    // elsewhere it starts drawing, for the selected area when that is absent
    // then (hidden, or before its first key), else for a new one. False
    // outside the mode.
    bool press(QPoint at, int timeMs, QPoint slack);
    void moveTo(QPoint at);
    // Ends the drag at `at`. A move, a resize or a drawing for the selected
    // area puts its new box at the press's time (a key there). A drawing of a
    // new area gives its box, which addNamed() then adds once it has a name.
    std::optional<AoiKey> release(QPoint at);
    bool dragging() const { return drag_ != Drag::None; }

    // Adds an area drawn at timeMs and selects it.
    AoiSet::Edit addNamed(const std::string& name, int timeMs, const AoiKey& box);
    // The selected area, from timeMs on.
    AoiSet::Edit hideSelected(int timeMs);
    AoiSet::Edit removeSelectedKey(int timeMs);
    AoiSet::Edit removeSelected();
    // Names the selected area anew, under the rules of names in the file.
    AoiSet::Edit renameSelected(const std::string& name);
    // The selected area's key times either side of timeMs.
    std::optional<int> previousKey(int timeMs) const;
    std::optional<int> nextKey(int timeMs) const;
    // Undoes the newest edit; the selection stays where it still names an area.
    bool undo();

    // What the overlay draws.
    AoiView view() const;

private:
    enum class Drag
    {
        None = 0,
        Drawing,
        Moving,
        Resizing
    };
    // The box the drag gives with the mouse at current_.
    AoiKey draggedBox() const;
    bool selectionValid() const;

    AoiSet& aois_;
    bool editing_ = false;
    AoiShape newShape_ = AoiShape::Rectangle;
    std::ptrdiff_t selected_ = -1;
    Drag drag_ = Drag::None;
    int dragTimeMs_ = 0;
    QPoint pressed_;
    QPoint current_;
    AoiKey start_;  // the area's box at the press (moving)
    QPoint anchor_; // the corner that stays (resizing)
    bool moved_ = false;
};
