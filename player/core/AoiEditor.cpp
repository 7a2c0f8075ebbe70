#include "player/core/AoiEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int clampPosition(int v)
{
    return std::clamp(v, AoiSet::kMinPosition, AoiSet::kMaxPosition);
}

AoiKey boxBetween(QPoint a, QPoint b, AoiShape shape)
{
    AoiKey key;
    key.shape = shape;
    key.x = clampPosition(std::min(a.x(), b.x()));
    key.y = clampPosition(std::min(a.y(), b.y()));
    key.width = std::min(AoiSet::kMaxSize, clampPosition(std::max(a.x(), b.x())) - key.x);
    key.height = std::min(AoiSet::kMaxSize, clampPosition(std::max(a.y(), b.y())) - key.y);
    return key;
}

AoiKey rounded(const AoiBox& box)
{
    AoiKey key;
    key.shape = box.shape;
    key.x = static_cast<int>(std::lround(box.x));
    key.y = static_cast<int>(std::lround(box.y));
    key.width = static_cast<int>(std::lround(box.width));
    key.height = static_cast<int>(std::lround(box.height));
    return key;
}

} // namespace

AoiEditor::AoiEditor(AoiSet& aois) : aois_(aois) {}

void AoiEditor::setEditing(bool on)
{
    editing_ = on;
    drag_ = Drag::None;
}

void AoiEditor::setNewShape(AoiShape shape)
{
    if (shape != AoiShape::Hidden)
        newShape_ = shape;
}

bool AoiEditor::selectionValid() const
{
    return selected_ >= 0 && static_cast<std::size_t>(selected_) < aois_.aois().size();
}

void AoiEditor::select(std::ptrdiff_t index)
{
    selected_ = index >= 0 && static_cast<std::size_t>(index) < aois_.aois().size() ? index : -1;
    drag_ = Drag::None;
}

void AoiEditor::reset()
{
    selected_ = -1;
    drag_ = Drag::None;
}

bool AoiEditor::press(QPoint at, int timeMs, QPoint slack)
{
    if (!editing_)
        return false;
    drag_ = Drag::None;
    pressed_ = current_ = at;
    dragTimeMs_ = std::max(0, timeMs);
    moved_ = false;
    const std::vector<Aoi>& aois = aois_.aois();
    if (selectionValid()) {
        const AoiBox box = aois[static_cast<std::size_t>(selected_)].at(dragTimeMs_);
        if (box.present()) {
            start_ = rounded(box);
            const int left = start_.x;
            const int top = start_.y;
            const int right = start_.x + start_.width;
            const int bottom = start_.y + start_.height;
            for (const QPoint corner :
                 {QPoint(left, top), QPoint(right, top), QPoint(left, bottom), QPoint(right, bottom)}) {
                if (std::abs(at.x() - corner.x()) <= slack.x() &&
                    std::abs(at.y() - corner.y()) <= slack.y()) {
                    drag_ = Drag::Resizing;
                    anchor_ = QPoint(corner.x() == left ? right : left, corner.y() == top ? bottom : top);
                    return true;
                }
            }
        }
    }
    // The topmost area is the last drawn: the selected one, then the latest.
    // An ellipse is hit inside its outline, not in the corners of its box.
    const auto inside = [&](std::size_t i) { return aois[i].at(dragTimeMs_).contains(at.x(), at.y()); };
    std::ptrdiff_t hit = selectionValid() && inside(static_cast<std::size_t>(selected_)) ? selected_ : -1;
    for (std::size_t i = aois.size(); hit < 0 && i-- > 0;)
        if (inside(i))
            hit = static_cast<std::ptrdiff_t>(i);
    if (hit >= 0) {
        selected_ = hit;
        drag_ = Drag::Moving;
        start_ = rounded(aois[static_cast<std::size_t>(hit)].at(dragTimeMs_));
        return true;
    }
    // A selected area that is absent now is drawn back from here; otherwise a new area is drawn.
    if (selectionValid() && aois[static_cast<std::size_t>(selected_)].at(dragTimeMs_).present())
        selected_ = -1;
    drag_ = Drag::Drawing;
    return true;
}

void AoiEditor::moveTo(QPoint at)
{
    if (drag_ == Drag::None)
        return;
    current_ = at;
    moved_ = moved_ || at != pressed_;
}

AoiKey AoiEditor::draggedBox() const
{
    switch (drag_) {
    case Drag::Drawing:
        return boxBetween(pressed_, current_, newShape_);
    case Drag::Resizing:
        return boxBetween(anchor_, current_, start_.shape);
    case Drag::Moving: {
        AoiKey key = start_;
        // The whole box stays within the positions a file may hold.
        key.x = std::clamp(start_.x + current_.x() - pressed_.x(), AoiSet::kMinPosition,
                           AoiSet::kMaxPosition - key.width);
        key.y = std::clamp(start_.y + current_.y() - pressed_.y(), AoiSet::kMinPosition,
                           AoiSet::kMaxPosition - key.height);
        return key;
    }
    case Drag::None:
        break;
    }
    return {};
}

std::optional<AoiKey> AoiEditor::release(QPoint at)
{
    if (drag_ == Drag::None)
        return std::nullopt;
    moveTo(at);
    const Drag drag = drag_;
    AoiKey box = draggedBox();
    box.timeMs = dragTimeMs_;
    drag_ = Drag::None;
    if (drag == Drag::Drawing && (box.width < kMinDrawnSize || box.height < kMinDrawnSize)) {
        // A click beside every area shown lets go of the selection.
        selected_ = -1;
        return std::nullopt;
    }
    if (!moved_)
        return std::nullopt;
    if (drag == Drag::Drawing) {
        if (!selectionValid())
            return box;
        aois_.setKey(static_cast<std::size_t>(selected_), dragTimeMs_, box);
        return std::nullopt;
    }
    if (drag == Drag::Resizing && (box.width < 1 || box.height < 1))
        return std::nullopt;
    aois_.setKey(static_cast<std::size_t>(selected_), dragTimeMs_, box);
    return std::nullopt;
}

AoiSet::Edit AoiEditor::addNamed(const std::string& name, int timeMs, const AoiKey& box)
{
    const AoiSet::Edit done = aois_.addAoi(name, timeMs, box);
    if (done == AoiSet::Edit::Done)
        selected_ = static_cast<std::ptrdiff_t>(aois_.aois().size()) - 1;
    return done;
}

AoiSet::Edit AoiEditor::hideSelected(int timeMs)
{
    return selectionValid() ? aois_.hideFrom(static_cast<std::size_t>(selected_), timeMs)
                            : AoiSet::Edit::NoSuchAoi;
}

AoiSet::Edit AoiEditor::removeSelectedKey(int timeMs)
{
    if (!selectionValid())
        return AoiSet::Edit::NoSuchAoi;
    const AoiSet::Edit done = aois_.removeKey(static_cast<std::size_t>(selected_), timeMs);
    if (!selectionValid())
        selected_ = -1;
    return done;
}

AoiSet::Edit AoiEditor::removeSelected()
{
    if (!selectionValid())
        return AoiSet::Edit::NoSuchAoi;
    const AoiSet::Edit done = aois_.removeAoi(static_cast<std::size_t>(selected_));
    selected_ = -1;
    return done;
}

AoiSet::Edit AoiEditor::renameSelected(const std::string& name)
{
    return selectionValid() ? aois_.rename(static_cast<std::size_t>(selected_), name)
                            : AoiSet::Edit::NoSuchAoi;
}

std::optional<int> AoiEditor::previousKey(int timeMs) const
{
    return selectionValid() ? aois_.previousKeyTime(static_cast<std::size_t>(selected_), timeMs)
                            : std::nullopt;
}

std::optional<int> AoiEditor::nextKey(int timeMs) const
{
    return selectionValid() ? aois_.nextKeyTime(static_cast<std::size_t>(selected_), timeMs) : std::nullopt;
}

bool AoiEditor::undo()
{
    drag_ = Drag::None;
    const bool undone = aois_.undo();
    if (!selectionValid())
        selected_ = -1;
    return undone;
}

AoiView AoiEditor::view() const
{
    AoiView view;
    view.aois = &aois_.aois();
    view.selected = selected_;
    if (drag_ != Drag::None && moved_) {
        const AoiKey box = draggedBox();
        view.dragged = AoiBox{box.shape, double(box.x), double(box.y), double(box.width), double(box.height)};
    }
    return view;
}
