#include "player/core/AoiEditor.h"

#include <gtest/gtest.h>

namespace {

constexpr QPoint kSlack(10000, 10000);

AoiKey box(int x, int y, int w, int h, AoiShape shape = AoiShape::Rectangle)
{
    return {0, shape, x, y, w, h};
}

// The key of the area at exactly timeMs, if it has one.
const AoiKey* keyAt(const Aoi& aoi, int timeMs)
{
    for (const AoiKey& key : aoi.keys)
        if (key.timeMs == timeMs)
            return &key;
    return nullptr;
}

class AoiEditorTest : public testing::Test
{
protected:
    AoiEditorTest() { editor.setEditing(true); }

    // Given a face drawn as the user draws it: press, drag, release, name.
    void drawFace(int timeMs = 1000)
    {
        ASSERT_TRUE(editor.press({100000, 200000}, timeMs, kSlack));
        editor.moveTo({200000, 300000});
        const auto drawn = editor.release({300000, 400000});
        ASSERT_TRUE(drawn);
        ASSERT_EQ(editor.addNamed("face", drawn->timeMs, *drawn), AoiSet::Edit::Done);
    }
    const Aoi& face() const { return aois.aois().at(0); }

    AoiSet aois;
    AoiEditor editor{aois};
};

} // namespace

TEST_F(AoiEditorTest, DrawingGivesABoxFromAnyCornerToBeNamedAndSelected)
{
    drawFace(1000);
    ASSERT_EQ(aois.aois().size(), 1u);
    EXPECT_EQ(face().keys.at(0), (AoiKey{1000, AoiShape::Rectangle, 100000, 200000, 200000, 200000}));
    EXPECT_EQ(editor.selected(), 0);

    // Dragged up and to the left, as an ellipse.
    editor.setNewShape(AoiShape::Ellipse);
    editor.press({900000, 900000}, 2000, kSlack);
    const auto drawn = editor.release({700000, 600000});
    ASSERT_TRUE(drawn);
    EXPECT_EQ(*drawn, (AoiKey{2000, AoiShape::Ellipse, 700000, 600000, 200000, 300000}));

    // A click, or a box too small to mean anything, draws nothing and selects nothing.
    editor.press({900000, 100000}, 2000, kSlack);
    EXPECT_FALSE(editor.release({900000, 100000}));
    EXPECT_EQ(editor.selected(), -1);
    editor.press({900000, 100000}, 2000, kSlack);
    EXPECT_FALSE(editor.release({900000 + AoiEditor::kMinDrawnSize - 1, 150000}));

    // A name taken is refused and changes nothing.
    EXPECT_EQ(editor.addNamed("face", 0, box(0, 0, 10000, 10000)), AoiSet::Edit::NameTaken);
    EXPECT_EQ(aois.aois().size(), 1u);
}

TEST_F(AoiEditorTest, OutsideTheModeThePressIsNotTaken)
{
    editor.setEditing(false);
    EXPECT_FALSE(editor.press({100000, 100000}, 0, kSlack));
    EXPECT_FALSE(editor.dragging());
}

TEST_F(AoiEditorTest, MovingAtAnotherTimeAddsAKeyThereAndKeepsTheFirst)
{
    drawFace(1000);
    // Pressed inside, dragged by (+100000, +50000) at 5 s.
    editor.select(-1);
    ASSERT_TRUE(editor.press({150000, 250000}, 5000, kSlack));
    EXPECT_EQ(editor.selected(), 0);
    editor.moveTo({200000, 280000});
    ASSERT_TRUE(editor.view().dragged);
    EXPECT_DOUBLE_EQ(editor.view().dragged->x, 150000);
    EXPECT_FALSE(editor.release({250000, 300000}));

    ASSERT_EQ(face().keys.size(), 2u);
    EXPECT_EQ(face().keys[0], (AoiKey{1000, AoiShape::Rectangle, 100000, 200000, 200000, 200000}));
    EXPECT_EQ(face().keys[1], (AoiKey{5000, AoiShape::Rectangle, 200000, 250000, 200000, 200000}));
    // Between the keys the area moves.
    EXPECT_DOUBLE_EQ(face().at(3000).x, 150000);
    EXPECT_FALSE(editor.view().dragged);

    // Moved again at a key's own time: that key changes, none is added.
    editor.press({300000, 300000}, 5000, kSlack);
    editor.release({310000, 300000});
    ASSERT_EQ(face().keys.size(), 2u);
    EXPECT_EQ(face().keys[1].x, 210000);

    // A press and release without a move changes nothing.
    editor.press({300000, 300000}, 7000, kSlack);
    editor.release({300000, 300000});
    EXPECT_EQ(face().keys.size(), 2u);
}

TEST_F(AoiEditorTest, MovingBetweenKeysStartsFromTheShapeShownThen)
{
    aois.addAoi("car", 0, box(0, 0, 100000, 100000));
    aois.setKey(0, 10000, box(400000, 0, 300000, 100000));
    // At 5 s the car stands at x 200000, 200000 wide.
    editor.press({250000, 50000}, 5000, kSlack);
    editor.release({260000, 50000});
    const AoiKey* added = keyAt(aois.aois()[0], 5000);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(*added, (AoiKey{5000, AoiShape::Rectangle, 210000, 0, 200000, 100000}));
}

TEST_F(AoiEditorTest, ACornerOfTheSelectedAreaResizesItAgainstTheOppositeCorner)
{
    drawFace(1000); // 100000..300000 x 200000..400000, selected
    // Near the bottom-right corner, within the slack.
    ASSERT_TRUE(editor.press({305000, 395000}, 1000, kSlack));
    editor.release({500000, 450000});
    EXPECT_EQ(face().keys.at(0), (AoiKey{1000, AoiShape::Rectangle, 100000, 200000, 400000, 250000}));

    // The top-left corner dragged past the opposite one turns the box over.
    editor.press({100000, 200000}, 1000, kSlack);
    editor.release({600000, 500000});
    EXPECT_EQ(face().keys.at(0), (AoiKey{1000, AoiShape::Rectangle, 500000, 450000, 100000, 50000}));

    // An unselected area's corner only selects it (and moves it).
    editor.select(-1);
    editor.press({500000, 450000}, 1000, kSlack);
    editor.release({510000, 450000});
    EXPECT_EQ(face().keys.at(0).x, 510000);
    EXPECT_EQ(face().keys.at(0).width, 100000);
}

TEST_F(AoiEditorTest, AnEllipseIsHitWithinItsOutlineAndResizedByTheCornersOfItsBox)
{
    drawFace(1000); // rectangle 100000..300000 x 200000..400000
    editor.setNewShape(AoiShape::Ellipse);
    ASSERT_TRUE(editor.press({50000, 150000}, 1000, kSlack));
    const auto drawn = editor.release({250000, 350000});
    ASSERT_TRUE(drawn);
    ASSERT_EQ(editor.addNamed("hat", 1000, *drawn), AoiSet::Edit::Done);
    editor.select(-1);

    // In the hat's box but outside its outline, over the face: the face is taken.
    ASSERT_TRUE(editor.press({235000, 335000}, 1000, kSlack));
    EXPECT_EQ(editor.selected(), 0);
    editor.release({235000, 335000});
    // Inside the hat only.
    editor.press({80000, 250000}, 1000, kSlack);
    EXPECT_EQ(editor.selected(), 1);
    editor.release({80000, 250000});
    // Beside every shape (in the hat's box only): a click lets go of the selection.
    editor.press({65000, 165000}, 1000, kSlack);
    editor.release({65000, 165000});
    EXPECT_EQ(editor.selected(), -1);

    // Selected, the hat's corner handle (outside the outline) still resizes it.
    editor.select(1);
    ASSERT_TRUE(editor.press({250000, 350000}, 1000, kSlack));
    editor.release({450000, 550000});
    EXPECT_EQ(aois.aois().at(1).keys.at(0), (AoiKey{1000, AoiShape::Ellipse, 50000, 150000, 400000, 400000}));
    EXPECT_EQ(face().keys.at(0), (AoiKey{1000, AoiShape::Rectangle, 100000, 200000, 200000, 200000}));
}

TEST_F(AoiEditorTest, HidingDeletingKeysAndAreasAndSteppingActOnTheSelection)
{
    drawFace(1000);
    editor.press({150000, 250000}, 5000, kSlack);
    editor.release({250000, 250000}); // a key at 5 s
    ASSERT_EQ(editor.hideSelected(8000), AoiSet::Edit::Done);
    EXPECT_TRUE(face().at(7999).present());
    EXPECT_FALSE(face().at(8000).present());

    EXPECT_EQ(editor.previousKey(5000), 1000);
    EXPECT_EQ(editor.nextKey(5000), 8000);
    EXPECT_EQ(editor.nextKey(8000), std::nullopt);
    EXPECT_EQ(editor.previousKey(1000), std::nullopt);

    EXPECT_EQ(editor.removeSelectedKey(6000), AoiSet::Edit::NoSuchKey);
    ASSERT_EQ(editor.removeSelectedKey(5000), AoiSet::Edit::Done);
    EXPECT_EQ(face().keys.size(), 2u);

    ASSERT_EQ(editor.removeSelected(), AoiSet::Edit::Done);
    EXPECT_TRUE(aois.aois().empty());
    EXPECT_EQ(editor.selected(), -1);
    // With nothing selected every command is refused.
    EXPECT_EQ(editor.hideSelected(0), AoiSet::Edit::NoSuchAoi);
    EXPECT_EQ(editor.removeSelectedKey(0), AoiSet::Edit::NoSuchAoi);
    EXPECT_EQ(editor.nextKey(0), std::nullopt);
}

TEST_F(AoiEditorTest, RenamingKeepsNamesUniqueAndFitForTheFileAndCanBeUndone)
{
    EXPECT_EQ(editor.renameSelected("face"), AoiSet::Edit::NoSuchAoi);
    drawFace(1000);
    ASSERT_EQ(aois.addAoi("hand", 0, box(500000, 500000, 100000, 100000)), AoiSet::Edit::Done);
    editor.select(0);
    aois.setModified(false);

    EXPECT_EQ(editor.renameSelected("hand"), AoiSet::Edit::NameTaken);
    for (const char* bad : {"", "left;face", "left\nface", "left\r\nface"})
        EXPECT_EQ(editor.renameSelected(bad), AoiSet::Edit::BadName) << bad;
    EXPECT_EQ(editor.renameSelected(std::string(kMaxAoiNameBytes + 1, 'a')), AoiSet::Edit::BadName);
    // Its own name again changes nothing.
    EXPECT_EQ(editor.renameSelected("face"), AoiSet::Edit::Done);
    EXPECT_FALSE(aois.modified());
    EXPECT_EQ(face().name, "face");

    EXPECT_EQ(editor.renameSelected("her face"), AoiSet::Edit::Done);
    EXPECT_EQ(face().name, "her face");
    EXPECT_EQ(face().keys.size(), 1u);
    EXPECT_TRUE(aois.modified());
    // The old name is free again.
    editor.select(1);
    EXPECT_EQ(editor.renameSelected("face"), AoiSet::Edit::Done);

    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(aois.aois().at(1).name, "hand");
    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(face().name, "face");
    EXPECT_EQ(editor.selected(), 1);
}

TEST_F(AoiEditorTest, UndoTakesBackEachChangeNewestFirstAndDropsASelectionThatIsGone)
{
    drawFace(1000);
    editor.press({150000, 250000}, 5000, kSlack);
    editor.release({250000, 250000});
    editor.hideSelected(8000);
    ASSERT_EQ(face().keys.size(), 3u);

    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(face().keys.size(), 2u);
    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(face().keys.size(), 1u);
    EXPECT_EQ(editor.selected(), 0);
    ASSERT_TRUE(editor.undo());
    EXPECT_TRUE(aois.aois().empty());
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_FALSE(editor.undo());
}

TEST_F(AoiEditorTest, TheDraggedBoxIsShownAndLeavingTheModeDropsTheDrag)
{
    editor.press({100000, 100000}, 0, kSlack);
    EXPECT_FALSE(editor.view().dragged); // not moved yet
    editor.moveTo({300000, 200000});
    ASSERT_TRUE(editor.view().dragged);
    EXPECT_EQ(editor.view().selected, -1);
    EXPECT_DOUBLE_EQ(editor.view().dragged->width, 200000);

    editor.setEditing(false);
    EXPECT_FALSE(editor.dragging());
    EXPECT_FALSE(editor.release({400000, 400000}));
    EXPECT_TRUE(aois.aois().empty());
}

TEST_F(AoiEditorTest, AMoveStopsWhereTheBoxWouldLeaveThePositionsAFileHolds)
{
    aois.addAoi("wide", 0, box(0, 0, 500000, 100000));
    editor.press({10000, 10000}, 0, kSlack);
    editor.release({3000000, 10000});
    EXPECT_EQ(aois.aois()[0].keys[0].x, AoiSet::kMaxPosition - 500000);
    EXPECT_TRUE(AoiSet::validBox(aois.aois()[0].keys[0]));
}

TEST_F(AoiEditorTest, DrawingWhileTheSelectedAreaIsAbsentBringsItBackFromThere)
{
    drawFace(1000);
    ASSERT_EQ(editor.hideSelected(3000), AoiSet::Edit::Done);
    // At 4 s the face is hidden: drawn again there, it is shown from 4 s on.
    editor.setNewShape(AoiShape::Ellipse);
    ASSERT_TRUE(editor.press({500000, 500000}, 4000, kSlack));
    EXPECT_FALSE(editor.release({700000, 600000}));
    ASSERT_EQ(aois.aois().size(), 1u);
    ASSERT_EQ(face().keys.size(), 3u);
    EXPECT_EQ(face().keys[2], (AoiKey{4000, AoiShape::Ellipse, 500000, 500000, 200000, 100000}));
    EXPECT_FALSE(face().at(3500).present());
    EXPECT_EQ(editor.selected(), 0);

    // Before its first key too; but where it is shown, a drawing makes a new area.
    ASSERT_TRUE(editor.press({500000, 500000}, 0, kSlack));
    editor.release({600000, 600000});
    EXPECT_EQ(face().keys.front().timeMs, 0);
    editor.press({900000, 900000}, 0, kSlack);
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_TRUE(editor.release({950000, 950000}));

    // A click where the face is absent lets go of it, so that the next drawing makes a new area.
    editor.select(0);
    editor.press({900000, 900000}, 3500, kSlack);
    editor.release({900000, 900000});
    EXPECT_EQ(editor.selected(), -1);
    editor.press({100000, 100000}, 3500, kSlack);
    EXPECT_TRUE(editor.release({200000, 200000}));
}
