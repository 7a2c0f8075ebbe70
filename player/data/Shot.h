#pragma once

// One shot of a movie: it starts at time and lasts until the next shot starts.
struct Shot
{
    int time = 0;             // start, movie time in ms
    int number = 0;           // 1 for the first shot of the list
    int blink = 0;            // value of a "blink" column when loaded; never written back
    int interestingCount = 0; // loaded results with an interesting point inside the shot

    friend bool operator==(const Shot&, const Shot&) = default;
};
