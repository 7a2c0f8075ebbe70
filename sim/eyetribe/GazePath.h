#pragma once

#include <istream>
#include <string>
#include <vector>

namespace sim {

// Where the simulated viewer looks in one frame, in screen pixels.
struct GazeSample
{
    float x = 0;
    float y = 0;
    float pupilSize = 0;
    bool fixation = false;
    bool tracked = false; // false during a blink
};

// A looped sequence of samples, one per frame: read from a file or made up by a
// synthetic viewer who fixates, jumps and blinks.
class GazePath
{
public:
    // Random fixations of 150-600 ms, saccades of 30-60 ms between them and a
    // 150 ms blink every few seconds, for the given length of time.
    static GazePath synthetic(unsigned seed, int framerate, int screenWidth, int screenHeight,
                              int lengthMs = 60000);

    // A viewer who watches the demo movie's ball (MovingBall) for one round of its loop:
    // pursuit that lags a little, catch-up saccades when the ball runs away, fixations
    // with a little tremor while it rests, and a blink every few seconds.
    static GazePath followingBall(unsigned seed, int framerate, int screenWidth, int screenHeight);

    // One sample per line: "x;y" or "x;y;psize"; "-" is a blink; blank lines and
    // "#" comments are skipped. On failure error says "line N: ...".
    static GazePath read(std::istream& in, std::string& error);

    bool empty() const { return samples_.empty(); }
    std::size_t size() const { return samples_.size(); }
    // The sample of the given frame; the path starts over at its end.
    const GazeSample& at(std::size_t frame) const { return samples_[frame % samples_.size()]; }

private:
    std::vector<GazeSample> samples_;
};

} // namespace sim
