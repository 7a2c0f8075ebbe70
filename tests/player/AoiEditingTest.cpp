#include "PlayerWindowFixture.h"
#include "platform/quit_signals.h"
#include "player/AoiDock.h"
#include "player/PlayerAois.h"
#include "player/core/PlayerCommand.h"
#include "player/media/MixerBitmap.h"

#include <QAction>
#include <QListWidget>

using player_test::PlayerWindowTest;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

class AoiEditingTest : public PlayerWindowTest
{
protected:
    // A drag over the video area between two points given as shares of it.
    void drag(QPointF from, QPointF to)
    {
        QWidget* video = window->videoWidget();
        const QRect area = DsCtrl::VideoRect();
        const auto at = [&](QPointF share) {
            return QPointF(area.x() + share.x() * area.width(), area.y() + share.y() * area.height());
        };
        const auto send = [&](QEvent::Type type, QPointF point, Qt::MouseButtons buttons) {
            QMouseEvent event(type, point, video->mapToGlobal(point.toPoint()), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(video, &event);
        };
        send(QEvent::MouseButtonPress, at(from), Qt::LeftButton);
        send(QEvent::MouseMove, at((from + to) / 2), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at(to), Qt::NoButton);
    }
    const std::vector<Aoi>& areas() { return window->aois().document().aois().aois(); }
};

} // namespace

TEST_F(AoiEditingTest, TheMoviesAreasAreListedAndADragInTheModeDrawsANamedAreaSavedOnClosing)
{
    if (platform::terminationRequested())
        GTEST_SKIP() << "an earlier test in this process ended it as terminated: nobody would be asked";
    // [GIVEN] a movie with a face marked beside it, open and paused in the player
    app.movieFileName = privateMovie();
    const auto file = folder / "movie.avi_aois.csv";
    writeFile(file, "name;shape;time_ms;x;y;width;height\nface;rectangle;0;500000;500000;200000;200000\n");
    startAndOpen();
    ASSERT_EQ(areas().size(), 1u);
    EXPECT_EQ(window->aois().dock()->list()->count(), 1);
    EXPECT_FALSE(window->aois().action(PlayerAois::Undo)->isEnabled());
    ASSERT_TRUE(waitUntil([] { return DsCtrl::GetMixerBitmap() && !DsCtrl::GetMixerBitmap()->isEmpty(); }))
        << "the face is drawn with no results loaded";

    // [WHEN] outside the mode a drag draws nothing; in it, a drag draws an area the user names
    areaNames = QStringList{QStringLiteral("face"), QStringLiteral("hand")};
    drag({0.1, 0.1}, {0.4, 0.5});
    QApplication::processEvents();
    EXPECT_EQ(areas().size(), 1u);
    window->aois().action(PlayerAois::Editing)->trigger();
    drag({0.1, 0.1}, {0.4, 0.5});
    ASSERT_TRUE(waitUntil([this] { return areas().size() == 2; }));

    // [THEN] the name taken was asked again; the box is where the mouse went, on the frame
    ASSERT_EQ(namingProblems.size(), 2u);
    EXPECT_FALSE(namingProblems[1].isEmpty());
    const AoiKey& key = areas()[1].keys.at(0);
    EXPECT_EQ(areas()[1].name, "hand");
    EXPECT_NEAR(key.x, 100000, 5000);
    EXPECT_NEAR(key.y, 100000, 5000);
    EXPECT_NEAR(key.width, 300000, 5000);
    EXPECT_NEAR(key.height, 400000, 5000);
    EXPECT_EQ(window->aois().dock()->list()->count(), 2);
    EXPECT_EQ(window->aois().dock()->list()->currentRow(), 1);

    // Undo takes it back, a drag draws it again; the user saves on closing.
    window->aois().action(PlayerAois::Undo)->trigger();
    EXPECT_EQ(areas().size(), 1u);
    areaNames = QStringList{QStringLiteral("hand")};
    drag({0.1, 0.1}, {0.4, 0.5});
    ASSERT_TRUE(waitUntil([this] { return areas().size() == 2; }));
    answers = {true};
    window->command(ID_FILE_CLOSE);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(readFile(file).find("hand;rectangle;"), std::string::npos);
    EXPECT_NE(readFile(file).find("face;rectangle;0;500000;500000;200000;200000"), std::string::npos);
    EXPECT_FALSE(window->aois().action(PlayerAois::Editing)->isEnabled());
}

TEST_F(AoiEditingTest, TheSelectedAreaIsRenamedFromTheMenuOrTheListAndTheRenameUndone)
{
    // [GIVEN] two areas, in the mode, the face chosen in the list
    app.movieFileName = privateMovie();
    writeFile(folder / "movie.avi_aois.csv", "name;shape;time_ms;x;y;width;height\n"
                                             "face;rectangle;0;500000;500000;200000;200000\n"
                                             "hand;ellipse;0;100000;100000;100000;100000\n");
    startAndOpen();
    ASSERT_EQ(areas().size(), 2u);
    EXPECT_FALSE(window->aois().action(PlayerAois::RenameArea)->isEnabled());
    // The legend names the areas while they are shown.
    EXPECT_TRUE(window->aois().areasShown());
    window->aois().action(PlayerAois::Shown)->trigger();
    EXPECT_FALSE(window->aois().areasShown());
    window->aois().action(PlayerAois::Shown)->trigger();
    window->aois().action(PlayerAois::Editing)->trigger();
    QListWidget* list = window->aois().dock()->list();
    list->setCurrentRow(0);
    ASSERT_TRUE(window->aois().action(PlayerAois::RenameArea)->isEnabled());

    // [WHEN] the menu renames it, first to a name taken; then a double click renames the hand
    areaNames = QStringList{QStringLiteral("hand"), QStringLiteral("her face")};
    window->aois().action(PlayerAois::RenameArea)->trigger();
    areaNames = QStringList{QStringLiteral("his hand")};
    Q_EMIT list->itemDoubleClicked(list->item(1));
    ASSERT_TRUE(waitUntil([this] { return areas()[1].name == "his hand"; }));

    // [THEN] each question started from the name then; the taken name was asked again
    ASSERT_EQ(namesShown.size(), 3u);
    EXPECT_EQ(namesShown[0], QStringLiteral("face"));
    EXPECT_EQ(namesShown[1], QStringLiteral("face"));
    EXPECT_EQ(namesShown[2], QStringLiteral("hand"));
    EXPECT_FALSE(namingProblems[1].isEmpty());
    EXPECT_EQ(areas()[0].name, "her face");
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("her face"));
    EXPECT_EQ(list->currentRow(), 1);
    window->aois().action(PlayerAois::Undo)->trigger();
    EXPECT_EQ(areas()[1].name, "hand");
    EXPECT_EQ(areas()[0].name, "her face");
    // Closing without saving leaves the file as it was.
    answers = {false};
    window->command(ID_FILE_CLOSE);
}

TEST_F(AoiEditingTest, AtAViewScaleTheMouseDrawsOnThePartOfTheFrameShown)
{
    // [GIVEN] the left half of each frame filling the video area
    app.movieFileName = privateMovie();
    app.viewScaleX = 0.5;
    startAndOpen();
    ASSERT_EQ(DsCtrl::SourceRect().width() * 2, DsCtrl::NativeVideoSize().width());

    // [WHEN] an area is drawn from 20 % to 60 % of the area's width
    window->aois().action(PlayerAois::Editing)->trigger();
    areaNames = QStringList{QStringLiteral("sign")};
    drag({0.2, 0.2}, {0.6, 0.8});
    ASSERT_TRUE(waitUntil([this] { return areas().size() == 1; }));

    // [THEN] it covers 10 % to 30 % of the frame's width, and the full height's share
    const AoiKey& key = areas()[0].keys.at(0);
    EXPECT_NEAR(key.x, 100000, 5000);
    EXPECT_NEAR(key.width, 200000, 5000);
    EXPECT_NEAR(key.y, 200000, 5000);
    EXPECT_NEAR(key.height, 600000, 5000);
}

TEST_F(AoiEditingTest, FullScreenShowsTheCursorOverTheMovieOnlyWhileEditing)
{
    app.movieFileName = privateMovie();
    startAndOpen();
    QWidget* video = window->videoWidget();
    window->setFullScreen(true);
    EXPECT_EQ(video->cursor().shape(), Qt::BlankCursor);

    window->aois().action(PlayerAois::Editing)->trigger();
    EXPECT_EQ(video->cursor().shape(), Qt::CrossCursor);
    window->aois().action(PlayerAois::Editing)->trigger();
    EXPECT_EQ(video->cursor().shape(), Qt::BlankCursor);

    // In the mode when full screen ends, and still after it
    window->aois().action(PlayerAois::Editing)->trigger();
    window->setFullScreen(false);
    EXPECT_EQ(video->cursor().shape(), Qt::CrossCursor);
    window->aois().action(PlayerAois::Editing)->trigger();
    EXPECT_EQ(video->cursor().shape(), Qt::ArrowCursor);
}
