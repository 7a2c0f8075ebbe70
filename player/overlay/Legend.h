#pragma once

#include "player/overlay/OverlayOptions.h"

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

// What the legend explains: the marks the overlay draws for one viewer or for
// many with these options, and the movie time.
struct LegendContent
{
    bool manyViewers = false;
    int viewers = 1; // loaded results: what the heat map's colours count
    OverlayOptions options;
    std::optional<int> positionMs;
    bool gaze = true;  // results are loaded, so the marks of their gaze are drawn
    bool aois = false; // areas of interest outlined with their names
};

class AppCtrl;

// The legend's content for what the settings draw over a movie with this many
// results loaded, at movie time positionMs, with the areas of interest or not.
LegendContent legendContentOf(const AppCtrl& app, int viewers, int positionMs, bool aois);
// The player's legend, or none when it is switched off or has nothing to
// explain: it needs results loaded or areas of interest shown (a movie opened
// alone to draw them has a key to them too).
std::optional<LegendContent> playerLegendOf(const AppCtrl& app, int viewers, int positionMs, bool aois);

// The key to the overlay, drawn in the top-right corner of the picture: one
// line for every mark the overlay draws, each with a small copy of the mark, and
// for the heat map a ramp of its colours labelled with the number of viewers
// each colour stands for. The texts are translated (context "Legend"). Drawn
// last, over every mark, with a dark backing so that it reads over any picture.
class Legend
{
public:
    enum class Swatch
    {
        None = 0,
        GazeDisc,
        FocusRing,
        PupilHole,
        Fixation,
        Saccade,
        HeatRamp,
        PupilBar,
        KeypointSquares,
        AoiOutline
    };
    struct Line
    {
        Swatch swatch = Swatch::None;
        QString text;
    };
    // A label under the heat ramp: the number of viewers and where its colour
    // begins along the ramp (0 to 1).
    struct HeatLabel
    {
        int viewers = 0;
        double at = 0.0;
    };

    explicit Legend(LegendContent content);

    // The lines in the order drawn, the time first when there is one.
    const std::vector<Line>& lines() const { return lines_; }
    // Where the legend goes in picture: its top-right corner, sized for the picture's height.
    QRect placeIn(const QRect& picture) const;
    // Draws the legend into picture (device pixels), clipped to it.
    void draw(QPainter& painter, const QRect& picture) const;

    // The counts worth a label for this many viewers: one viewer, the first
    // count reaching each threshold, and all of them.
    static std::vector<HeatLabel> heatLabels(int viewers, const HeatThresholds& thresholds);
    // "hh:mm:ss.mmm"
    static QString timeText(int positionMs);

private:
    int unitFor(const QRect& picture) const;
    QSize sizeAt(int unit) const;

    LegendContent content_;
    std::vector<Line> lines_;
};

// Text in ink with a halo of the opposite brightness around every glyph, so
// that it stays readable over any picture. baseline: the left end of the
// text's baseline.
void drawHaloText(QPainter& painter, const QPointF& baseline, const QString& text,
                  const QColor& ink = Qt::white);
