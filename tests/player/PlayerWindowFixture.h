#pragma once

#include "TestEnvironment.h"
#include "media/TestMovies.h"
#include "platform/window_bus.h"
#include "player/PlayerWindow.h"
#include "player/core/AppCtrl.h"
#include "player/media/DsCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace player_test {

// A recorder window on the bus that keeps every message the player posts.
class FakeRecorder
{
public:
    explicit FakeRecorder(const QString& title)
    {
        receiver_.setHandler([this](const platform::WindowMessage& message) {
            messages.push_back(message);
            return true;
        });
        registered = receiver_.registerWindow(title);
    }

    // The movie times reported with one code, in arrival order.
    std::vector<std::int64_t> timesOf(int code) const
    {
        std::vector<std::int64_t> times;
        for (const auto& m : messages)
            if (m.identifier == platform::WM_USER && m.wParam == static_cast<std::uint64_t>(code))
                times.push_back(m.lParam);
        return times;
    }
    bool has(int code) const { return !timesOf(code).empty(); }
    std::vector<int> codes() const
    {
        std::vector<int> all;
        for (const auto& m : messages)
            all.push_back(static_cast<int>(m.wParam));
        return all;
    }

    bool registered = false;
    std::vector<platform::WindowMessage> messages;

private:
    platform::WindowMessageReceiver receiver_;
};

// A player window over a generated movie, its settings files in a fresh folder
// and its clock ticking fast.
class PlayerWindowTest : public testing::Test
{
protected:
    static constexpr const char* kRecorderTitle = "Orvalis Reelscan Gazelog (test)";

    void SetUp() override
    {
        movies = &testMovies();
        app.guiFilePath = folder / "GazeviewGUI.ini";
        app.iniFilePath = folder / "Gazeview.ini";
    }

    // The window is made once the test has set up AppCtrl.
    PlayerWindow& makeWindow()
    {
        window = std::make_unique<PlayerWindow>(app);
        window->clock().setInterval(5);
        PlayerWindow::Prompts prompts;
        prompts.askYesNo = [this](const QString& question) {
            questions.push_back(question);
            if (!answers.empty()) {
                const bool next = answers.front();
                answers.erase(answers.begin());
                return next;
            }
            return answer;
        };
        prompts.tell = [this](const QString& message) { told.push_back(message); };
        prompts.chooseMovie = [] { return QString(); };
        prompts.chooseResults = [this] { return chosenResults; };
        prompts.nameArea = [this](const QString& problem, const QString& current) {
            namingProblems.push_back(problem);
            namesShown.push_back(current);
            return areaNames.isEmpty() ? QString() : areaNames.takeFirst();
        };
        window->setPrompts(prompts);
        window->show();
        return *window;
    }

    // Starts the window as the program does and waits for the movie to open.
    void startAndOpen()
    {
        makeWindow().startUp();
        ASSERT_TRUE(waitUntil([] { return DsCtrl::IsMovieOpen(); }));
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(window.get(), &event);
    }

    void click(Qt::MouseButton button)
    {
        QWidget* video = window->videoWidget();
        const QPointF at(video->width() / 2.0, video->height() / 2.0);
        QMouseEvent event(QEvent::MouseButtonPress, at, video->mapToGlobal(at.toPoint()), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(video, &event);
    }

    // A copy of the movie in the test's own folder, so its shot file stays private.
    QString privateMovie()
    {
        const auto copy = folder / "movie.avi";
        std::filesystem::copy_file(movies->videoOnly.toStdString(), copy);
        return QString::fromStdString(copy.string());
    }

    testing_support::TempDir folder;
    const TestMovies* movies = nullptr;
    AppCtrl app;
    std::vector<QString> questions;
    std::vector<QString> told;
    bool answer = false;
    std::vector<bool> answers; // taken first, one per question; then `answer`
    QStringList chosenResults;
    QStringList areaNames; // given one per area drawn; then none
    std::vector<QString> namingProblems;
    std::vector<QString> namesShown; // the name each question started from
    // Last, so it closes its movie while everything it asks still exists.
    std::unique_ptr<PlayerWindow> window;
};

} // namespace player_test
