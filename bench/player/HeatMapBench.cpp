// One clock tick of the many-viewer overlay (heat map, pupil bar, keypoint
// marks) for studies of 100, 1,000 and 10,000 viewers. The viewers follow a
// common moving target with fixations of 200-600 ms, blink now and then, and
// mark an interesting point now and then; the recordings are 20 s at 60 Hz.

#include "player/core/AppCtrl.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/Graphics.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMovieMs = 20000;
constexpr double kPeriodMs = 1000.0 / 60.0;

void append(std::string& text, long long value)
{
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// The target circles the screen once every 8 s while drifting sideways.
std::pair<double, double> target(double tMs)
{
    const double a = tMs / 8000.0 * 2.0 * M_PI;
    return {0.5 + 0.3 * std::cos(a) + 0.05 * std::sin(a * 3.1), 0.5 + 0.25 * std::sin(a)};
}

std::string recording(unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> offset(0.0, 0.04);
    std::uniform_int_distribution<int> fixationMs(200, 600);
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\n#Movie path: /films/target.avi\n";
    double fixX = 0.5;
    double fixY = 0.5;
    double fixationEnd = -1;
    const int pupilBase = 28000 + static_cast<int>(random() % 8000);
    for (long long i = 0;; ++i) {
        const double t = static_cast<double>(i) * kPeriodMs;
        if (t > kMovieMs)
            break;
        if (t >= fixationEnd) {
            const auto [x, y] = target(t);
            fixX = x + offset(random);
            fixY = y + offset(random);
            fixationEnd = t + fixationMs(random);
        }
        append(text, static_cast<long long>(t));
        if (random() % 100 < 2) {
            text += ";-1;-1;-1;-1;0\n";
            continue;
        }
        text += ';';
        append(text, static_cast<long long>((fixX + offset(random) * 0.05) * 1e6));
        text += ';';
        append(text, static_cast<long long>((fixY + offset(random) * 0.05) * 1e6));
        text += ";1;";
        append(text, pupilBase + static_cast<long long>(random() % 2000));
        text += random() % 400 == 0 ? ";1\n" : ";0\n";
    }
    return text;
}

struct Study
{
    explicit Study(int viewers)
    {
        folder = std::filesystem::temp_directory_path() /
                 ("heatmap-bench-" + std::to_string(::getpid()) + "-" + std::to_string(viewers));
        std::filesystem::create_directories(folder);
        std::vector<std::filesystem::path> files;
        for (int i = 0; i < viewers; ++i) {
            files.push_back(folder / ("viewer" + std::to_string(i) + ".csv"));
            std::ofstream(files.back(), std::ios::binary) << recording(static_cast<unsigned>(i + 1));
        }
        results.addAll(files, app.eventsNum, app.filterRadius, app.actionRadius);
        std::filesystem::remove_all(folder);
        results.calculateStats();
        shots.addShot(Shot{});
        shots.addShot(Shot{kMovieMs / 2, 0, 0, 0});
        shots.recount();
    }

    std::filesystem::path folder;
    AppCtrl app;
    TimeLineManager results;
    ShotLine shots{results};
};

Study& study(int viewers)
{
    static std::map<int, std::unique_ptr<Study>> studies;
    auto& s = studies[viewers];
    if (!s)
        s = std::make_unique<Study>(viewers);
    return *s;
}

void HeatMapTick(benchmark::State& state)
{
    Study& s = study(static_cast<int>(state.range(0)));
    s.app.considerFocusTime = state.range(2) != 0;
    Graphics graphics(static_cast<int>(state.range(1)), QSize(1280, 720));
    MixerBitmap mixer;
    int t = 0;
    // Every tick's own time, for the slow ones the mean hides.
    std::vector<double> tickMs;
    tickMs.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        graphics.DrawMulti(mixer, s.results, s.shots, t, overlayOptionsOf(s.app));
        tickMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        t = (t + 64) % kMovieMs;
    }
    if (tickMs.empty())
        return;
    const auto p95 = tickMs.begin() + static_cast<std::ptrdiff_t>((tickMs.size() - 1) * 95 / 100);
    std::nth_element(tickMs.begin(), p95, tickMs.end());
    state.counters["p95_ms"] = *p95;
    state.counters["max_ms"] = *std::max_element(tickMs.begin(), tickMs.end());
}
BENCHMARK(HeatMapTick)
    ->ArgNames({"viewers", "quality", "focus"})
    ->ArgsProduct({{100, 1000, 10000}, {256, 512}, {0, 1}})
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

} // namespace
