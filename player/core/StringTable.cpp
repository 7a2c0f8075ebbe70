#include "player/core/StringTable.h"

#include <QCoreApplication>

namespace {

struct Entry
{
    int id;
    const char* text;
};

constexpr Entry entries[] = {
    {IDS_MOVIE_FILTER,
     QT_TRANSLATE_NOOP("StringTable",
                       "Video Files (*.asf; *.avi; *.qt; *.mov; *.mp4; *.mpg; *.mpeg; *.m1v; *.wmv)")},
    {IDS_RESULTS_FILTER, QT_TRANSLATE_NOOP("StringTable", "CSV Files (*.csv; *.txt)")},
    {IDS_OPEN_MOVIE_TITLE, QT_TRANSLATE_NOOP("StringTable", "Open movie file...")},
    {IDS_OPEN_RESULTS_TITLE, QT_TRANSLATE_NOOP("StringTable", "Open CSV File(s)...")},
    {IDS_OPEN_RECORDING_TITLE, QT_TRANSLATE_NOOP("StringTable", "Open Recording File...")},
    {IDS_HELP,
     QT_TRANSLATE_NOOP("StringTable",
                       "\r\nHELP:\r\n\r\nCommand line parameters:\r\n"
                       "\t-m <movie_filename>\r\n"
                       "\t-b <begin_time_in_ms>\r\n"
                       "\t-e <end_time_in_ms>\r\n"
                       "\t-s <server_window_caption>\r\n"
                       "\t-p <waiting_time_in_ms> play mode for eyetracking, waiting, calibration\r\n"
                       "\t-f <csv_filename>\r\n"
                       "\t-d <csv_directory_name>\r\n"
                       "\t-u <screen_num> fullscreen on chosen screen in play mode\r\n"
                       "The parameters -p -f and -d are disjunctive\r\n")},
    {IDS_WINDOW_TITLE_FORMAT, QT_TRANSLATE_NOOP("StringTable", "%s -- time %s -- shot %s -- %s")},
    {IDS_SAVE_EDITED_SHOTS, QT_TRANSLATE_NOOP("StringTable", "Shots have been edited - save?")},
    {IDS_CLOSE_FOR_LANGUAGE,
     QT_TRANSLATE_NOOP("StringTable",
                       "Do you want to close the player? Next time it will run using desired language.")},
    {IDS_OTHER_MOVIE_RESULTS,
     QT_TRANSLATE_NOOP("StringTable",
                       "CSV files listed below include recorded movie file names different from "
                       "current movie loaded. So they might be recorded for another movie.\r\n")},
    {IDS_ACCEPT_OTHER_MOVIE_RESULTS,
     QT_TRANSLATE_NOOP("StringTable", "Do you want to accept and load for the analysis these CSV files?")},
};

} // namespace

QString loadString(int id)
{
    for (const Entry& entry : entries) {
        if (entry.id == id)
            return QCoreApplication::translate("StringTable", entry.text);
    }
    return {};
}
