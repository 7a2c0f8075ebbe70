#pragma once

#include <ostream>
#include <random>

namespace bench_support {

// One viewer's samples for a results file, from time 0 to movieMs at 30 Hz:
// fixations of a few hundred ms around random points, and a keypoint about
// once in keypointOneIn samples. The header lines are the caller's.
inline void writeSyntheticGaze(std::ostream& out, std::mt19937& random, int movieMs, unsigned keypointOneIn)
{
    int x = 500000;
    int y = 500000;
    for (int t = 0, left = 0; t <= movieMs; t += 33) {
        if (--left <= 0) {
            x = 100000 + static_cast<int>(random() % 800000);
            y = 100000 + static_cast<int>(random() % 800000);
            left = 5 + static_cast<int>(random() % 20);
        }
        out << t << ';' << x + static_cast<int>(random() % 4000) << ';'
            << y + static_cast<int>(random() % 4000) << ";1;" << 28000 + static_cast<int>(random() % 6000)
            << ';' << (random() % keypointOneIn == 0 ? 1 : 0) << '\n';
    }
}

} // namespace bench_support
