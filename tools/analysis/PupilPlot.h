#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

class QPainter;
namespace measures {
struct SynchronyResult;
}
class ShotLine;
class TimeLineManager;
struct AoiPresence;

// A picture of a set of results over the film's time, for a report: the pupil
// diameter's mean across viewers with its deviation as a band, the shots as
// alternating bands labelled with how many viewers marked a keypoint in them,
// and below, one row per viewer with a tick at each keypoint. Drawn for A4
// width (1200 pixels over 170 mm). The results' statistics must be computed.
class PupilPlot
{
public:
    static constexpr int kWidth = 1200;

    // shots may be null. title heads the picture. With synchrony (not null)
    // a synchrony panel follows the keypoints.
    PupilPlot(const TimeLineManager& results, const ShotLine* shots, QString title,
              const measures::SynchronyResult* synchrony = nullptr, const AoiPresence* aois = nullptr);

    QSize size() const;
    void paint(QPainter& painter) const;

    // Where things land, for placing labels and for checking the picture.
    QRectF pupilPanel() const;
    QRectF keypointPanel() const;
    QRectF synchronyPanel() const; // empty without synchrony
    QRectF aoiPanel() const;       // empty without areas of interest
    double xOf(int timeMs) const;
    double yOf(double pupil100nm) const;

    // Writes the picture as SVG or PNG, chosen by the file's extension. The
    // file appears complete or not at all; false with error set on failure.
    bool save(const std::filesystem::path& file, std::string& error) const;
    static bool knownExtension(const std::filesystem::path& file);

private:
    // What the pupil panel shows in one pixel column: the mean on entering and
    // leaving it, its lowest and highest, and the widest band of deviation.
    struct Column
    {
        bool used = false;
        double first = 0;
        double last = 0;
        double low = 0;
        double high = 0;
        double top = 0;
        double bottom = 0;
    };
    std::vector<Column> columns() const;

    void paintShots(QPainter& painter) const;
    void paintPupil(QPainter& painter) const;
    void paintKeypoints(QPainter& painter) const;
    void paintAxes(QPainter& painter) const;
    void paintLegend(QPainter& painter) const;
    void paintSynchrony(QPainter& painter) const;
    void paintAois(QPainter& painter) const;
    void paintTimeAxis(QPainter& painter, const QRectF& panel) const;
    std::vector<int> cuts() const;

    const TimeLineManager& results_;
    const ShotLine* shots_;
    QString title_;
    const measures::SynchronyResult* synchrony_ = nullptr;
    const AoiPresence* aois_ = nullptr;
    int endMs_ = 1;
    double low_ = 0.0; // pupil range shown, 100 nm
    double high_ = 1.0;
};

// The plot of gaze-analyse: a title from the results, the picture saved to file.
// Problems are told on err; false when nothing was written.
// With synchrony (of two viewers or more) the picture gains a synchrony panel,
// with areas of interest a panel of them.
bool writePlot(const std::filesystem::path& file, const TimeLineManager& results, const ShotLine* shots,
               std::ostream& err, const measures::SynchronyResult* synchrony = nullptr,
               const AoiPresence* aois = nullptr);
