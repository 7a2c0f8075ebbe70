#pragma once

// Generated recordings with everything a study holds: fixations held perfectly
// still and jittering, saccades, blinks (blink 0 and whole lines of -1), lost
// samples (gaps in time), keypoints, pupils above 65,535 and odd blink values.

#include <random>
#include <string>

namespace study {

inline std::string recording(unsigned seed, int samples, int periodMs = 17)
{
    std::mt19937 random(seed);
    std::string text = "#Examination date: 2016_07_11_18_12_25\n"
                       "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\r\n#Movie path: C:/films/study.avi\n";
    int x = 500000;
    int y = 500000;
    int left = 0;
    bool still = false;
    const int pupilBase = 20000 + static_cast<int>(random() % 60000);
    int t = static_cast<int>(random() % 50);
    for (int i = 0; i < samples; ++i) {
        t += periodMs + static_cast<int>(random() % 3);
        if (random() % 50 == 0)
            t += 40 + static_cast<int>(random() % 400); // samples lost
        if (--left <= 0) {
            x = static_cast<int>(random() % 1000000);
            y = static_cast<int>(random() % 1000000);
            left = 6 + static_cast<int>(random() % 60);
            still = random() % 3 == 0;
        }
        const int jitter = still ? 0 : 4000;
        const unsigned kind = random() % 100;
        if (kind < 3) {
            text += std::to_string(t) + ";-1;-1;-1;-1;0\n";
            continue;
        }
        const int blink = kind < 6 ? 0 : kind < 7 ? 2 + static_cast<int>(random() % 300) : 1;
        const int pupil = kind < 8 ? 0 : pupilBase + static_cast<int>(random() % 9000);
        text += std::to_string(t) + ';' +
                std::to_string(x + (jitter ? static_cast<int>(random() % jitter) : 0)) + ';' +
                std::to_string(y + (jitter ? static_cast<int>(random() % jitter) : 0)) + ';' +
                std::to_string(blink) + ';' + std::to_string(pupil) + ';' +
                (random() % 300 == 0   ? "1"
                 : random() % 500 == 0 ? "7"
                                       : "0") +
                (i % 97 == 5 ? "\r\n" : "\n");
        if (i % 500 == 250)
            text += "# a comment in the middle\n\n";
    }
    return text;
}

} // namespace study
