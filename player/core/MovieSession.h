#pragma once

#include <QString>

#include <cstdint>

class AppCtrl;
class MovieScreen;
class PlaybackClock;
class RecorderLink;
class ShotLine;
class VideoWindow;

// One open movie from its opening to its closing: the pipeline, the clock, the
// shot file beside the movie, and in PLAY mode the examination's protocol with
// the recorder (the duration first, code 4 last and once, then the quit).
// Lives on the GUI thread.
class MovieSession
{
public:
    // Everything given must outlive the session.
    MovieSession(AppCtrl& app, VideoWindow& video, MovieScreen& screen, ShotLine& shots, PlaybackClock& clock,
                 RecorderLink& link);

    // Opens the movie named in AppCtrl, or asks for one when none is named.
    void open();
    // Closes the movie; edited shots are saved if the user wants them.
    void close();
    const QString& shotFile() const { return shotFile_; }

    // The pipeline has news: the end of the movie is handled once.
    void movieEvent();
    // The examination is over at positionMs: the movie stops, code 4 is
    // reported and the program quits. Only the first call counts.
    void finishExamination(int positionMs);
    // The viewer ended the movie: both listeners hear code 4, and the
    // examination screen quits.
    void escape();
    // The program ends: the movie and the extension are closed.
    void exitProgram();

    // The user put the slider at targetMs.
    void seekFromSlider(std::int64_t targetMs);
    // The viewer pressed a mouse button over the movie.
    void interestingPoint();

private:
    QString loadShots();
    QString saveShots();
    void tell(const QString& message);
    void quitProgram(int code);
    int position() const;

    AppCtrl& app_;
    VideoWindow& video_;
    MovieScreen& screen_;
    ShotLine& shots_;
    PlaybackClock& clock_;
    RecorderLink& link_;
    QString shotFile_;
    bool finished_ = false;    // the examination was finished: code 4 sent, quit asked
    bool endReported_ = false; // outside PLAY mode: the extension heard of the movie's end
};
