#include "player/data/AoiFile.h"
#include "player/data/AoiSet.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string kTop = "#Gazeview AOI file version 1\nname;shape;time_ms;x;y;width;height\n";

AoiKey rect(int t, int x, int y, int w, int h)
{
    return {t, AoiShape::Rectangle, x, y, w, h};
}

AoiKey hidden(int t)
{
    return {t, AoiShape::Hidden, 0, 0, 0, 0};
}

} // namespace

TEST(AoiTest, MovesBetweenShapedKeysAndHoldsOtherwise)
{
    const Aoi face{"face",
                   {rect(1000, 400000, 300000, 200000, 250000), rect(5000, 600000, 300000, 400000, 250000),
                    hidden(8000), rect(9000, 0, 0, 100, 100)}};

    EXPECT_FALSE(face.at(999).present()); // absent before the first key
    const AoiBox start = face.at(1000);
    EXPECT_EQ(start.shape, AoiShape::Rectangle);
    EXPECT_DOUBLE_EQ(start.x, 400000);
    const AoiBox middle = face.at(3000);
    EXPECT_DOUBLE_EQ(middle.x, 500000);
    EXPECT_DOUBLE_EQ(middle.y, 300000);
    EXPECT_DOUBLE_EQ(middle.width, 300000);
    // Before a hidden key the box of the key before holds.
    EXPECT_DOUBLE_EQ(face.at(7999).x, 600000);
    EXPECT_DOUBLE_EQ(face.at(7999).width, 400000);
    EXPECT_FALSE(face.at(8000).present());
    EXPECT_FALSE(face.at(8999).present());
    // The last key holds to the end.
    EXPECT_DOUBLE_EQ(face.at(2000000000).width, 100);

    EXPECT_EQ(face.presentMs(0, 10000), 7000 + 1000);
    EXPECT_EQ(face.presentMs(8100, 8900), 0);
    EXPECT_EQ(face.firstPresentMs(0, 10000), 1000);
    EXPECT_EQ(face.firstPresentMs(8000, 10000), 9000);
    EXPECT_EQ(face.firstPresentMs(8000, 8500), -1);
}

TEST(AoiTest, EllipseHitsOnlyInsideTheCurve)
{
    const AoiBox ellipse{AoiShape::Ellipse, 0, 0, 200, 100};
    EXPECT_TRUE(ellipse.contains(100, 50));
    EXPECT_TRUE(ellipse.contains(0, 50));
    EXPECT_FALSE(ellipse.contains(5, 5)); // in the box's corner
    const AoiBox box{AoiShape::Rectangle, 0, 0, 200, 100};
    EXPECT_TRUE(box.contains(5, 5));
    EXPECT_FALSE(box.contains(201, 5));
    EXPECT_FALSE(AoiBox{}.contains(0, 0));
}

TEST(AoiFileTest, ReadsTheFileAsSpreadsheetsWriteIt)
{
    const std::string text =
        "\xEF\xBB\xBF#Gazeview AOI file version 1\r\nname;shape;time_ms;x;y;width;height\r\n"
        "face;rectangle;0;400000;300000;200000;250000\r\n"
        "ball;ellipse;100;1;2;3;4\r\n"
        "face;rectangle;5000;600000;300000;200000;250000\r\n"
        "face;hidden;8000;;;;\r\n";
    const AoiFile::Result result = AoiFile::read(text);
    ASSERT_EQ(result.status, AoiFile::Loaded) << AoiFile::describe(result);
    ASSERT_EQ(result.aois.size(), 2u);
    EXPECT_EQ(result.aois[0].name, "face");
    ASSERT_EQ(result.aois[0].keys.size(), 3u);
    EXPECT_EQ(result.aois[0].keys[2], hidden(8000));
    EXPECT_EQ(result.aois[1].keys[0], (AoiKey{100, AoiShape::Ellipse, 1, 2, 3, 4}));

    // What is written reads back the same.
    const AoiFile::Result again = AoiFile::read(AoiFile::text(result.aois));
    EXPECT_EQ(again.status, AoiFile::Loaded);
    EXPECT_EQ(again.aois, result.aois);
}

TEST(AoiFileTest, NamesTheLineAtFault)
{
    struct Case
    {
        std::string text;
        int status;
        int line;
    };
    const std::vector<Case> cases = {
        {"", AoiFile::NoHeader, 0},
        {"#only a comment\n", AoiFile::NoHeader, 0},
        {"name;shape;time_ms;x;y\n", AoiFile::NoHeader, 1},
        {kTop + "face;rectangle;0;1;2;3\n", AoiFile::BadField, 3},
        {kTop + "face;rectangle;0;1;2;3;4\nface;rectangle;10;1;2;x;4\n", AoiFile::BadField, 4},
        {kTop + "face;rectangle;0;1;2;3.5;4\n", AoiFile::BadField, 3},
        {kTop + "face;square;0;1;2;3;4\n", AoiFile::BadShape, 3},
        {kTop + ";rectangle;0;1;2;3;4\n", AoiFile::BadName, 3},
        {kTop + "fa\x01"
                "ce;rectangle;0;1;2;3;4\n",
         AoiFile::BadName, 3},
        {kTop + "face;rectangle;-1;1;2;3;4\n", AoiFile::BadTime, 3},
        {kTop + "face;rectangle;10;1;2;3;4\n\nface;hidden;10;;;;\n", AoiFile::BadTime, 5},
        {kTop + "face;rectangle;0;1;2;0;4\n", AoiFile::BadBox, 3},
        {kTop + "face;rectangle;0;-5000000;2;3;4\n", AoiFile::BadBox, 3},
        {kTop + "face;rectangle;0;1;2;3;99999999999\n", AoiFile::BadField, 3},
    };
    for (const Case& c : cases) {
        const AoiFile::Result result = AoiFile::read(c.text);
        EXPECT_EQ(result.status, c.status) << c.text;
        EXPECT_EQ(result.line, c.line) << c.text;
        EXPECT_TRUE(result.aois.empty()) << c.text;
    }
    EXPECT_EQ(AoiFile::describe(AoiFile::read(kTop + "face;square;0;1;2;3;4\n")),
              "line 3: the shape is not rectangle, ellipse or hidden");
}

TEST(AoiFileTest, AFileThatFailedToLoadIsNeverWrittenOver)
{
    TempDir dir;
    const auto file = dir / "film.avi_aois.csv";
    const std::string damaged = kTop + "face;rectangle;0;1;2;3;4\nface;triangle;5;1;2;3;4\n";
    writeFile(file, damaged);

    AoiSet aois;
    bool loadFailed = false;
    AoiFile::Result result;
    EXPECT_FALSE(AoiFile::load(aois, file, loadFailed, &result));
    EXPECT_TRUE(loadFailed);
    EXPECT_EQ(result.line, 4);
    ASSERT_EQ(aois.addAoi("ball", 0, rect(0, 1, 1, 10, 10)), AoiSet::Edit::Done);

    std::filesystem::path savedTo;
    ASSERT_TRUE(AoiFile::save(aois, file, loadFailed, &savedTo));
    EXPECT_EQ(savedTo, dir / "film.avi_aois.edited.csv");
    EXPECT_EQ(readFile(file), damaged);
    EXPECT_EQ(AoiFile::load(savedTo).aois, aois.aois());

    // A missing file is an empty set that may be written in its place.
    AoiSet fresh;
    EXPECT_TRUE(AoiFile::load(fresh, dir / "new_aois.csv", loadFailed));
    EXPECT_FALSE(loadFailed);
    EXPECT_TRUE(fresh.aois().empty());
    // A folder is not a file.
    EXPECT_FALSE(AoiFile::load(fresh, dir.path(), loadFailed));
    EXPECT_TRUE(loadFailed);
}

TEST(AoiSetTest, EditsKeepKeysInOrderAndUndoNewestFirst)
{
    AoiSet set;
    EXPECT_EQ(set.addAoi("face", 1000, rect(0, 10, 10, 100, 100)), AoiSet::Edit::Done);
    EXPECT_EQ(set.addAoi("face", 0, rect(0, 10, 10, 100, 100)), AoiSet::Edit::NameTaken);
    EXPECT_EQ(set.addAoi("a;b", 0, rect(0, 10, 10, 100, 100)), AoiSet::Edit::BadName);
    EXPECT_EQ(set.addAoi("a\nb", 0, rect(0, 10, 10, 100, 100)), AoiSet::Edit::BadName);
    EXPECT_EQ(set.addAoi("hand", 0, hidden(0)), AoiSet::Edit::BadBox);
    EXPECT_EQ(set.addAoi("hand", 0, rect(0, 10, 10, 0, 100)), AoiSet::Edit::BadBox);
    EXPECT_EQ(set.addAoi("hand", -1, rect(0, 10, 10, 5, 100)), AoiSet::Edit::BadTime);
    ASSERT_EQ(set.aois().size(), 1u);
    EXPECT_TRUE(set.modified());

    // Dragging at a later time adds a key there; dragging at a key's time moves it.
    EXPECT_EQ(set.setKey(0, 5000, rect(0, 50, 10, 100, 100)), AoiSet::Edit::Done);
    EXPECT_EQ(set.setKey(0, 3000, rect(0, 30, 10, 100, 100)), AoiSet::Edit::Done);
    EXPECT_EQ(set.setKey(0, 5000, rect(0, 70, 10, 100, 100)), AoiSet::Edit::Done);
    EXPECT_EQ(set.hideFrom(0, 8000), AoiSet::Edit::Done);
    const auto times = [&] {
        std::vector<int> t;
        for (const AoiKey& key : set.aois()[0].keys)
            t.push_back(key.timeMs);
        return t;
    };
    EXPECT_EQ(times(), (std::vector<int>{1000, 3000, 5000, 8000}));
    EXPECT_EQ(set.aois()[0].keys[2].x, 70);
    EXPECT_EQ(set.previousKeyTime(0, 5000), 3000);
    EXPECT_EQ(set.nextKeyTime(0, 5000), 8000);
    EXPECT_EQ(set.nextKeyTime(0, 8000), std::nullopt);
    EXPECT_EQ(set.previousKeyTime(0, 1000), std::nullopt);

    EXPECT_EQ(set.removeKey(0, 4000), AoiSet::Edit::NoSuchKey);
    EXPECT_EQ(set.removeKey(0, 3000), AoiSet::Edit::Done);
    EXPECT_EQ(set.addAoi("hand", 0, rect(0, 1, 1, 5, 5)), AoiSet::Edit::Done);
    EXPECT_EQ(set.rename(1, "face"), AoiSet::Edit::NameTaken);
    EXPECT_EQ(set.rename(1, "left hand"), AoiSet::Edit::Done);
    EXPECT_EQ(set.removeAoi(0), AoiSet::Edit::Done);
    EXPECT_EQ(set.setKey(5, 0, rect(0, 1, 1, 5, 5)), AoiSet::Edit::NoSuchAoi);
    ASSERT_EQ(set.aois().size(), 1u);

    // Undo, one step at a time back to the beginning.
    ASSERT_TRUE(set.undo()); // the removed area comes back in its place
    ASSERT_EQ(set.aois().size(), 2u);
    EXPECT_EQ(set.aois()[0].name, "face");
    EXPECT_EQ(set.aois()[1].name, "left hand");
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(set.aois()[1].name, "hand");
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(set.aois().size(), 1u);
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(times(), (std::vector<int>{1000, 3000, 5000, 8000}));
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(times(), (std::vector<int>{1000, 3000, 5000}));
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(set.aois()[0].keys[2].x, 50);
    ASSERT_TRUE(set.undo());
    ASSERT_TRUE(set.undo());
    EXPECT_EQ(times(), (std::vector<int>{1000}));
    ASSERT_TRUE(set.undo());
    EXPECT_TRUE(set.aois().empty());
    EXPECT_FALSE(set.undo());

    // Removing the only key removes the area, and undo brings both back.
    ASSERT_EQ(set.addAoi("solo", 10, rect(0, 1, 1, 5, 5)), AoiSet::Edit::Done);
    EXPECT_EQ(set.removeKey(0, 10), AoiSet::Edit::Done);
    EXPECT_TRUE(set.aois().empty());
    ASSERT_TRUE(set.undo());
    ASSERT_EQ(set.aois().size(), 1u);
    EXPECT_EQ(set.aois()[0].keys.size(), 1u);
}
