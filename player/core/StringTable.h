#pragma once

#include <QString>

// The player's user-visible texts by their string-table number. The English
// texts are built in; an installed language catalogue translates them (context
// "StringTable").
enum StringId : int
{
    IDS_MOVIE_FILTER = 60001,
    IDS_RESULTS_FILTER = 60002,
    IDS_OPEN_MOVIE_TITLE = 60003,
    IDS_OPEN_RESULTS_TITLE = 60004,
    IDS_OPEN_RECORDING_TITLE = 60005,
    IDS_HELP = 60006,
    IDS_WINDOW_TITLE_FORMAT = 60007,
    IDS_SAVE_EDITED_SHOTS = 60008,
    IDS_CLOSE_FOR_LANGUAGE = 60009,
    IDS_OTHER_MOVIE_RESULTS = 60010,
    IDS_ACCEPT_OTHER_MOVIE_RESULTS = 60011,
};

// The text of one entry in the current language; empty for an unknown number.
// The two filters are Qt file-dialog filters: a description with its patterns in
// parentheses.
QString loadString(int id);
