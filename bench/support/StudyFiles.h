#pragma once

// A study: 100 viewers of a two-hour movie recorded at 60 Hz, generated as results
// files in a temporary folder (kept, for measuring gaze-analyse on it, when
// GAZE_BENCH_STUDY_DIR names a folder).

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench_support {

inline constexpr int viewers = 100;
inline constexpr int movieMs = 2 * 60 * 60 * 1000;
inline constexpr double periodMs = 1000.0 / 60.0;

inline void append(std::string& text, long long value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

// Fixations of a few hundred ms with jitter, saccades between them, blinks and an
// interesting point now and then.
inline std::string recording(unsigned seed, int lastMs)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> jitter(0.0, 1500.0);
    std::normal_distribution<double> pupilNoise(0.0, 800.0);
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\n#Examination date: 2016_07_11_18_12_25\n"
                       "#Movie path: /films/feature.avi\n#Screen: 1920x1080 px, 510x290 mm, viewing distance "
                       "650 mm\n#Output path: /results/P.csv\n#Examination id: P\n";
    text.reserve(static_cast<size_t>(lastMs / periodMs) * 36 + text.size());
    int fixX = 500000;
    int fixY = 500000;
    int fixationLeft = 0;
    const int basePupil = 28000 + static_cast<int>(random() % 8000);
    for (long long i = 0;; ++i) {
        const auto t = static_cast<long long>(static_cast<double>(i) * periodMs);
        if (t > lastMs)
            break;
        if (--fixationLeft <= 0) {
            fixX = 100000 + static_cast<int>(random() % 800000);
            fixY = 100000 + static_cast<int>(random() % 800000);
            fixationLeft = 6 + static_cast<int>(random() % 40);
        }
        append(text, t);
        if (random() % 100 < 2) {
            text += ";-1;-1;-1;-1;";
        } else {
            text += ';';
            append(text, fixX + static_cast<long long>(jitter(random)));
            text += ';';
            append(text, fixY + static_cast<long long>(jitter(random)));
            text += random() % 100 < 3 ? ";0;" : ";1;";
            append(text, basePupil + static_cast<long long>(pupilNoise(random)) +
                             static_cast<long long>(3000.0 * std::sin(static_cast<double>(t) / 60000.0)));
            text += ';';
        }
        text += random() % 20000 == 0 ? "1\n" : "0\n";
    }
    return text;
}

class Study
{
public:
    Study()
    {
        const char* keep = std::getenv("GAZE_BENCH_STUDY_DIR");
        keep_ = keep && *keep;
        folder_ = keep_
                      ? std::filesystem::path(keep)
                      : std::filesystem::temp_directory_path() / ("gaze-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        for (int v = 0; v < viewers; ++v) {
            const auto file = folder_ / ("P" + std::to_string(100 + v) + "_2016_07_11_18_12_25.csv");
            if (!std::filesystem::exists(file))
                std::ofstream(file, std::ios::binary) << recording(static_cast<unsigned>(v), movieMs);
            files_.push_back(file);
        }
    }
    ~Study()
    {
        if (!keep_)
            std::filesystem::remove_all(folder_);
    }
    const std::vector<std::filesystem::path>& files() const { return files_; }

private:
    bool keep_ = false;
    std::filesystem::path folder_;
    std::vector<std::filesystem::path> files_;
};

} // namespace bench_support
