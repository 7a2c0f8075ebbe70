#include "render/OverlayFrames.h"

#include "common/AppDataFolder.h"
#include "player/core/PlayerSettings.h"
#include "player/core/ResultsFiles.h"
#include "player/data/AoiFile.h"
#include "player/data/ServiceShotFile.h"
#include "player/data/ShotLine.h"
#include "player/media/VideoPainter.h"
#include "player/overlay/AoiMarks.h"
#include "player/overlay/Graphics.h"
#include "player/overlay/Legend.h"
#include "player/overlay/OverlayFrame.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>

OverlayFrames::OverlayFrames() : shots_(results_) {}

OverlayFrames::~OverlayFrames() = default;

bool OverlayFrames::load(const RenderOptions& options, std::string& error, std::string& warnings)
{
    const std::filesystem::path settings = options.settingsDir.value_or(appDataFolder().value_or(""));
    if (!settings.empty()) {
        app_.iniFilePath = settings / "Gazeview.ini";
        app_.guiFilePath = settings / "GazeviewGUI.ini";
        PlayerSettings::read(app_);
    }
    // The view scale zooms the player's window; a rendering always shows whole frames.
    if (options.quality)
        app_.multiQuality = *options.quality;
    app_.considerFocusTime = options.focusTime.value_or(app_.considerFocusTime);
    app_.dataFiltered = options.filtered.value_or(app_.dataFiltered);
    app_.showHeatmap = options.heatmap.value_or(app_.showHeatmap);
    app_.showPupil = options.pupil.value_or(app_.showPupil);
    app_.showActions = options.keypoints.value_or(app_.showActions);
    app_.showScanPath = options.scanPath.value_or(app_.showScanPath);

    app_.mode = options.directory ? AppCtrl::Mode::Directory : AppCtrl::Mode::File;
    app_.resultsPath = QString::fromStdString(options.results.string());
    app_.movieFileName = QString::fromStdString(options.movie.string());
    std::error_code ignored;
    if (options.directory ? !std::filesystem::is_directory(options.results, ignored)
                          : !std::filesystem::is_regular_file(options.results, ignored)) {
        error = (options.directory ? "not a folder: " : "not a readable file: ") + options.results.string();
        return false;
    }
    ResultsFiles::loadFromCommandLine(results_, app_);
    if (results_.timeLines().empty()) {
        error = "no results file could be loaded from " + options.results.string();
        return false;
    }
    results_.calculateStats();
    legend_ = options.legend.value_or(false);
    // The legend speaks the player's language; its catalogue lies beside the programs.
    if (legend_) {
        app_.ownFileName = QCoreApplication::applicationFilePath();
        app_.LoadLanguage();
    }

    const std::filesystem::path shotFile = options.shotFile.value_or(shotFileOf(options.movie));
    if (!ServiceShotFile(shots_, shotFile, true))
        warnings +=
            "the shot file " + shotFile.string() + " has an error; the shots read before it are used\n";
    showAois_ = options.aois.value_or(options.aoiFile.has_value());
    if (showAois_) {
        const std::filesystem::path aoiFile = options.aoiFile.value_or(AoiFile::fileOf(options.movie));
        AoiFile::Result areas = AoiFile::load(aoiFile);
        if (areas.status != AoiFile::Loaded) {
            error = "the areas of interest in " + aoiFile.string() +
                    " cannot be used: " + AoiFile::describe(areas);
            return false;
        }
        aois_ = std::move(areas.aois);
    }
    return true;
}

void OverlayFrames::setVideoSize(QSize size)
{
    videoSize_ = size;
    graphics_ = std::make_unique<Graphics>(heatResolutionOf(app_), size);
}

QRect OverlayFrames::legendArea(int positionMs) const
{
    if (!legend_)
        return QRect();
    const QRect area = legendOf(positionMs).placeIn(QRect(QPoint(0, 0), videoSize_));
    if (area.isEmpty())
        return area;
    // On even pixels, like the patches, so that no chroma sample is split.
    const QPoint topLeft(area.left() & ~1, area.top() & ~1);
    const QPoint end((area.right() + 2) & ~1, (area.bottom() + 2) & ~1);
    return QRect(topLeft, end - QPoint(1, 1)).intersected(QRect(QPoint(0, 0), videoSize_));
}

Legend OverlayFrames::legendOf(int positionMs) const
{
    const int viewers = static_cast<int>(results_.timeLines().size());
    return Legend(legendContentOf(app_, viewers, positionMs, showAois_ && !aois_.empty()));
}

void OverlayFrames::draw(int positionMs)
{
    drawOverlayFrame(*graphics_, mixer_, app_, results_, shots_, positionMs);
    if (showAois_)
        layAoiMarks(mixer_, videoSize_, AoiView{&aois_, -1, std::nullopt}, positionMs, true);
}

QImage OverlayFrames::compose(const QImage& frame, int positionMs)
{
    draw(positionMs);
    QImage shown(frame.size(), QImage::Format_RGB32);
    QPainter painter(&shown);
    VideoPainter::paint(painter, frame, frame.rect(), shown.rect(), &mixer_);
    if (legend_)
        legendOf(positionMs).draw(painter, shown.rect());
    return shown;
}

std::vector<OverlayFrames::Patch> OverlayFrames::patches(int positionMs)
{
    draw(positionMs);
    const QRect frame(QPoint(0, 0), videoSize_);
    const QRect legend = legendArea(positionMs);
    std::vector<Patch> found;
    const auto paint = [&](const QRect& area, bool withLegend) {
        Patch patch;
        patch.at = area.topLeft();
        patch.image = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        patch.image.fill(0);
        QPainter painter(&patch.image);
        painter.translate(-area.left(), -area.top());
        mixer_.blend(painter, frame);
        if (withLegend)
            legendOf(positionMs).draw(painter, frame);
        painter.end();
        found.push_back(std::move(patch));
    };
    // The legend's area is one patch of its own, the overlay under it included;
    // the overlay's patches leave it out, so that no pixel is laid twice.
    const auto paintAround = [&](const QRect& area) {
        if (!area.intersects(legend)) {
            paint(area, false);
            return;
        }
        const QRect inner = area.intersected(legend);
        for (const QRect& part :
             {QRect(QPoint(area.left(), area.top()), QPoint(area.right(), inner.top() - 1)),
              QRect(QPoint(area.left(), inner.bottom() + 1), area.bottomRight()),
              QRect(QPoint(area.left(), inner.top()), QPoint(inner.left() - 1, inner.bottom())),
              QRect(QPoint(inner.right() + 1, inner.top()), QPoint(area.right(), inner.bottom()))})
            if (part.isValid() && !part.isEmpty())
                paint(part, false);
    };
    if (!legend.isEmpty())
        paint(legend, true);
    const QImage& overlay = mixer_.prepared();
    const QRect target = mixer_.destinationIn(frame);
    if (overlay.isNull() || target.isEmpty() || !target.intersects(frame))
        return found;

    // The overlay is looked at in tiles of its own pixels: those holding any
    // visible pixel are drawn, and so are their neighbours when a visible
    // pixel lies near the shared edge, since the nearest-pixel scaling may
    // pick a source pixel a little across a tile's edge (two frame pixels'
    // worth, the edges' rounding to even pixels included).
    constexpr int kTile = 4;
    const int columns = (overlay.width() + kTile - 1) / kTile;
    const int rows = (overlay.height() + kTile - 1) / kTile;
    const int nearX = std::min(kTile, 1 + 2 * overlay.width() / std::max(1, target.width()));
    const int nearY = std::min(kTile, 1 + 2 * overlay.height() / std::max(1, target.height()));
    enum : unsigned char
    {
        kUsed = 1,
        kNearLeft = 2,
        kNearRight = 4,
        kNearTop = 8,
        kNearBottom = 16
    };
    std::vector<unsigned char> tiles(static_cast<size_t>(columns * rows), 0);
    for (int y = 0; y < overlay.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(overlay.constScanLine(y));
        const int inTileY = y % kTile;
        const int tileHeight = std::min(kTile, overlay.height() - y / kTile * kTile);
        unsigned char* row = tiles.data() + static_cast<ptrdiff_t>(y / kTile) * columns;
        for (int column = 0; column < columns; ++column) {
            const int from = column * kTile;
            const int to = std::min(from + kTile, overlay.width());
            int first = from;
            while (first < to && line[first] == 0)
                ++first;
            if (first == to)
                continue;
            int last = to - 1;
            while (line[last] == 0)
                --last;
            unsigned char flags = kUsed;
            flags |= first - from < nearX ? kNearLeft : 0;
            flags |= to - 1 - last < nearX ? kNearRight : 0;
            flags |= inTileY < nearY ? kNearTop : 0;
            flags |= tileHeight - 1 - inTileY < nearY ? kNearBottom : 0;
            row[column] |= flags;
        }
    }
    const auto flagsAt = [&](int column, int row) -> unsigned char {
        return column < 0 || row < 0 || column >= columns || row >= rows
                   ? 0
                   : tiles[static_cast<size_t>(row * columns + column)];
    };
    const auto drawn = [&](int column, int row) {
        const auto near = [&](int dx, int dy) {
            const unsigned char f = flagsAt(column + dx, row + dy);
            const bool x = dx == 0 || (f & (dx < 0 ? kNearRight : kNearLeft)) != 0;
            const bool y = dy == 0 || (f & (dy < 0 ? kNearBottom : kNearTop)) != 0;
            return (f & kUsed) != 0 && x && y;
        };
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (near(dx, dy))
                    return true;
        return false;
    };
    // Tile edges in the frame, on even pixels so that no chroma sample is split
    // between two patches; the outer edges are rounded outwards.
    const auto edge = [](int origin, int extent, int sourceSide, int index, int count) {
        const int offset =
            static_cast<int>(static_cast<qint64>(std::min(index * kTile, sourceSide)) * extent / sourceSide);
        const int at = origin + offset;
        const int even = at - (at & 1);
        return index == count && even != at ? even + 2 : even;
    };
    for (int row = 0; row < rows; ++row) {
        const int top =
            std::clamp(edge(target.y(), target.height(), overlay.height(), row, rows), 0, frame.height());
        const int bottom =
            std::clamp(edge(target.y(), target.height(), overlay.height(), row + 1, rows), 0, frame.height());
        if (top >= bottom)
            continue;
        for (int column = 0; column < columns;) {
            if (!drawn(column, row)) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end < columns && drawn(end, row))
                ++end;
            const int left = std::clamp(edge(target.x(), target.width(), overlay.width(), column, columns), 0,
                                        frame.width());
            const int right =
                std::clamp(edge(target.x(), target.width(), overlay.width(), end, columns), 0, frame.width());
            column = end;
            if (left >= right)
                continue;
            paintAround(QRect(left, top, right - left, bottom - top));
        }
    }
    return found;
}
