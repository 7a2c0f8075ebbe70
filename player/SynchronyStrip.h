#pragma once

#include "measures/Synchrony.h"

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <thread>
#include <vector>

class ShotLine;
class TimeLine;
class TimeLineManager;

// The viewers' attentional synchrony over the whole movie, drawn as a strip
// along the position slider: how much each viewer's gaze falls where the others
// look (leave-one-out NSS), with the cuts between shots marked. Worked out on a
// thread of its own whenever the loaded results change; the window's thread
// only copies the samples and draws.
class SynchronyStrip : public QWidget
{
    Q_OBJECT

public:
    static constexpr int stripHeight = 24;

    explicit SynchronyStrip(QWidget* parent = nullptr);
    // Waits for a computation under way.
    ~SynchronyStrip() override;

    // What the window shows now: the strip is wanted when shown is true and two
    // viewers or more are loaded. New results start a computation; new shots or
    // a new duration only redraw. Cheap when nothing changed.
    void follow(const TimeLineManager& results, const ShotLine& shots, bool shown, std::int64_t durationMs);
    bool wanted() const { return wanted_; }
    // True once the synchrony of the results last followed is known.
    bool ready() const { return ready_; }
    const std::vector<measures::SynchronyStep>& steps() const { return steps_; }

    // The strip as drawn: a column per pixel with the mean NSS of its steps (0 at
    // the bottom, the movie's highest column mean or 1, whichever is larger, at
    // the top); a column between steps shows the step before it for up to 100 ms;
    // steps with fewer than two viewers and longer gaps are left dark; a light line
    // marks each cut. Times run from 0 at the left to durationMs at the right.
    static QImage render(QSize size, std::span<const measures::SynchronyStep> steps,
                         std::span<const int> cutsMs, std::int64_t durationMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct ResultsKey
    {
        // Another folder loaded in the same place may hold as many samples per file.
        std::vector<const TimeLine*> viewers;
        std::vector<std::size_t> sizes;
        std::vector<std::filesystem::path> files;
        bool operator==(const ResultsKey&) const = default;
    };

    void start(const TimeLineManager& results);
    void finished(std::uint64_t generation, std::vector<measures::SynchronyStep> steps);

    bool wanted_ = false;
    bool ready_ = false;
    ResultsKey key_;
    std::vector<measures::SynchronyStep> steps_;
    std::vector<int> cutsMs_;
    std::int64_t durationMs_ = 0;
    QImage drawn_;
    std::thread worker_;
    std::uint64_t generation_ = 0; // of the results last followed
    std::atomic<bool> busy_ = false;
    bool restartWanted_ = false; // the results changed while the worker ran
    const TimeLineManager* lastResults_ = nullptr;
};
