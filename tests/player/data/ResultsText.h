#pragma once

#include "player/data/TimeLineItem.h"

#include <string>
#include <vector>

// Results files as the recorder lays them out: the column header, comment lines,
// then data lines, each ended by a line feed.
namespace results_text {

inline const std::string header =
    "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;interesting_point_value";

inline std::string file(const std::vector<std::string>& lines, const std::string& head = header)
{
    std::string text = head + "\n";
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// One sample as the time line holds it.
inline TimeLineItem item(int time, int x, int y, int blink, int pupil, int interestingPoint)
{
    TimeLineItem line;
    line.time = time;
    line.x = x;
    line.y = y;
    line.blink = blink;
    line.pupil = pupil;
    line.interestingPoint = interestingPoint;
    return line;
}

// One sample a line: time, x, y, blink, pupil, interesting point.
struct Row
{
    int time;
    int x;
    int y;
    int blink;
    int pupil;
    int interestingPoint;
};

inline std::string fileOf(const std::vector<Row>& rows)
{
    std::string text = header + "\n#Movie path: /films/trailer.avi\n";
    for (const Row& r : rows)
        text += std::to_string(r.time) + ';' + std::to_string(r.x) + ';' + std::to_string(r.y) + ';' +
                std::to_string(r.blink) + ';' + std::to_string(r.pupil) + ';' +
                std::to_string(r.interestingPoint) + '\n';
    return text;
}

// Samples every periodMs from 0 to lastMs (inclusive), gaze still at the centre.
inline std::vector<Row> steadyRows(int lastMs, int periodMs, int pupil)
{
    std::vector<Row> rows;
    for (int t = 0; t <= lastMs; t += periodMs)
        rows.push_back({t, 500000, 500000, 1, pupil, 0});
    return rows;
}

} // namespace results_text
