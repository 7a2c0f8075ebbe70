#include "analysis/PupilPlot.h"

#include "analysis/AoiPanel.h"
#include "analysis/SynchronyPanel.h"
#include "common/AtomicFile.h"
#include "common/PupilUnit.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kLeft = 120;
constexpr double kRight = 40;
constexpr double kTop = 90;
constexpr double kPupilHeight = 460;
constexpr double kGap = 70;
constexpr double kRowHeight = 18;
constexpr double kMaxKeypointHeight = 540;
constexpr double kBottom = 80;
// 1200 pixels over the 170 mm a page of A4 leaves between its margins.
constexpr double kDotsPerInch = PupilPlot::kWidth / (170.0 / 25.4);
constexpr double kPupilPerTrackerUnit = 10000.0;

const QColor kInk(0x22, 0x22, 0x22);
const QColor kMean(0x1f, 0x4e, 0x9a);
const QColor kSpread(0x1f, 0x4e, 0x9a, 60);
const QColor kKeypoint(0xc0, 0x39, 0x2b);
const std::array<QColor, 2> kShotBands = {QColor(0xea, 0xef, 0xf6), QColor(0xff, 0xff, 0xff)};

QFont font(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A step between axis ticks from 1, 2, 5 times a power of ten, giving at most `most` ticks.
double niceStep(double span, int most)
{
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw)
            return factor * power;
    return 10.0 * power;
}

QString timeLabel(int seconds)
{
    if (seconds < 60)
        return QString::number(seconds) + QStringLiteral(" s");
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PupilPlot::PupilPlot(const TimeLineManager& results, const ShotLine* shots, QString title,
                     const measures::SynchronyResult* synchrony, const AoiPresence* aois)
    : results_(results), shots_(shots), title_(std::move(title)), synchrony_(synchrony), aois_(aois)
{
    for (const TimeLine& timeLine : results_.timeLines())
        if (!timeLine.items().empty())
            endMs_ = std::max(endMs_, timeLine.items().back().time);
    const auto& runs = results_.pupilRuns();
    if (!runs.empty()) {
        low_ = runs.front().first.mean;
        high_ = runs.front().first.mean;
        // In double: a file's pupil values may reach the top of int.
        for (const PupilRun& run : runs) {
            low_ = std::min(low_, static_cast<double>(run.first.mean) - run.first.deviation);
            high_ = std::max(high_, static_cast<double>(run.first.mean) + run.first.deviation);
        }
        const double pad = std::max(100.0, (high_ - low_) * 0.08);
        low_ = std::max(0.0, low_ - pad);
        high_ += pad;
    }
}

QRectF PupilPlot::pupilPanel() const
{
    return QRectF(kLeft, kTop, kWidth - kLeft - kRight, kPupilHeight);
}

QRectF PupilPlot::keypointPanel() const
{
    const double rows = std::max<size_t>(1, results_.timeLines().size());
    const double height = std::min(kMaxKeypointHeight, rows * kRowHeight);
    return QRectF(kLeft, kTop + kPupilHeight + kGap, kWidth - kLeft - kRight, height);
}

QRectF PupilPlot::synchronyPanel() const
{
    if (synchrony_ == nullptr)
        return {};
    return QRectF(kLeft, keypointPanel().bottom() + kBottom + kGap, kWidth - kLeft - kRight,
                  SynchronyPanel::kHeight);
}

QRectF PupilPlot::aoiPanel() const
{
    if (aois_ == nullptr)
        return {};
    const double above = synchrony_ ? synchronyPanel().bottom() : keypointPanel().bottom();
    return QRectF(kLeft, above + kBottom + kGap, kWidth - kLeft - kRight, AoiPanel::kHeight);
}

QSize PupilPlot::size() const
{
    const double bottom = aois_        ? aoiPanel().bottom()
                          : synchrony_ ? synchronyPanel().bottom()
                                       : keypointPanel().bottom();
    return QSize(kWidth, static_cast<int>(std::ceil(bottom + kBottom)));
}

double PupilPlot::xOf(int timeMs) const
{
    const QRectF panel = pupilPanel();
    return panel.left() + panel.width() * std::clamp(timeMs, 0, endMs_) / endMs_;
}

double PupilPlot::yOf(double pupil100nm) const
{
    const QRectF panel = pupilPanel();
    return panel.bottom() - panel.height() * (pupil100nm - low_) / (high_ - low_);
}

void PupilPlot::paint(QPainter& painter) const
{
    painter.fillRect(QRectF(QPointF(0, 0), size()), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintShots(painter);
    paintPupil(painter);
    paintKeypoints(painter);
    paintAxes(painter);
    paintLegend(painter);
    paintSynchrony(painter);
    paintAois(painter);
}

std::vector<int> PupilPlot::cuts() const
{
    std::vector<int> cuts;
    if (shots_ != nullptr)
        for (const Shot& shot : shots_->shots())
            cuts.push_back(shot.time);
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

void PupilPlot::paintSynchrony(QPainter& painter) const
{
    if (synchrony_ == nullptr)
        return;
    const QRectF panel = synchronyPanel();
    const double width = panel.width();
    const int endMs = endMs_;
    SynchronyPanel(*synchrony_, cuts(), [&panel, width, endMs](int timeMs) {
        return panel.left() + width * std::clamp(timeMs, 0, endMs) / endMs;
    }).paint(painter, panel);
    paintTimeAxis(painter, panel);
}

void PupilPlot::paintAois(QPainter& painter) const
{
    if (aois_ == nullptr)
        return;
    const QRectF panel = aoiPanel();
    const double width = panel.width();
    const int endMs = endMs_;
    AoiPanel(*aois_, cuts(), [&panel, width, endMs](int timeMs) {
        return panel.left() + width * std::clamp(timeMs, 0, endMs) / endMs;
    }).paint(painter, panel);
    paintTimeAxis(painter, panel);
}

void PupilPlot::paintTimeAxis(QPainter& painter, const QRectF& panel) const
{
    const double width = panel.width();
    painter.setPen(QPen(kInk, 1.2));
    painter.setFont(font(18));
    const double stepS = niceStep(endMs_ / 1000.0, 12);
    for (double s = 0; s * 1000.0 <= endMs_; s += stepS) {
        const double x = panel.left() + width * s * 1000.0 / endMs_;
        painter.drawLine(QPointF(x, panel.bottom()), QPointF(x, panel.bottom() + 6));
        painter.drawText(QRectF(x - 60, panel.bottom() + 8, 120, 24), Qt::AlignHCenter | Qt::AlignTop,
                         timeLabel(static_cast<int>(std::lround(s))));
    }
}

void PupilPlot::paintShots(QPainter& painter) const
{
    if (shots_ == nullptr || shots_->shots().empty())
        return;
    const auto& list = shots_->shots();
    const QRectF pupil = pupilPanel();
    const QRectF keys = keypointPanel();
    const auto viewers = static_cast<int>(results_.timeLines().size());
    painter.setFont(font(17));
    for (size_t i = 0; i < list.size(); ++i) {
        const double left = xOf(list[i].time);
        const double right = i + 1 < list.size() ? xOf(list[i + 1].time) : pupil.right();
        if (right <= left)
            continue;
        const QColor band = kShotBands[i % 2];
        painter.fillRect(QRectF(left, pupil.top(), right - left, pupil.height()), band);
        painter.fillRect(QRectF(left, keys.top(), right - left, keys.height()), band);
        painter.setPen(QColor(0xb0, 0xb8, 0xc8));
        painter.drawLine(QPointF(left, pupil.top() - 26), QPointF(left, keys.bottom()));
        // A count that does not fit its shot is left out rather than run into the next one.
        const QString count = QStringLiteral("%1/%2").arg(list[i].interestingCount).arg(viewers);
        const QRectF label(left, pupil.top() - 26, right - left, 24);
        if (painter.fontMetrics().horizontalAdvance(count) + 6 <= label.width()) {
            painter.setPen(kInk);
            painter.drawText(label, Qt::AlignCenter, count);
        }
    }
}

std::vector<PupilPlot::Column> PupilPlot::columns() const
{
    const QRectF panel = pupilPanel();
    std::vector<Column> columns(static_cast<size_t>(std::ceil(panel.width())));
    const auto columnOf = [&](std::int64_t timeMs) {
        const double x = xOf(static_cast<int>(std::min<std::int64_t>(timeMs, INT_MAX))) - panel.left();
        return std::clamp<size_t>(static_cast<size_t>(std::max(0.0, x)), 0, columns.size() - 1);
    };
    // Runs follow each other in time, so the columns they cover overlap only at
    // their ends: the walk costs the runs plus the columns.
    for (const PupilRun& run : results_.pupilRuns()) {
        const std::int64_t last =
            std::int64_t{run.first.time} + std::int64_t{run.steps - 1} * TimeLineManager::statsStepMs;
        const double mean = run.first.mean;
        for (size_t c = columnOf(run.first.time), end = columnOf(last); c <= end; ++c) {
            Column& column = columns[c];
            if (!column.used) {
                column = {
                    true, mean, mean, mean, mean, mean + run.first.deviation, mean - run.first.deviation};
                continue;
            }
            column.last = mean;
            column.low = std::min(column.low, mean);
            column.high = std::max(column.high, mean);
            column.top = std::max(column.top, mean + run.first.deviation);
            column.bottom = std::min(column.bottom, mean - run.first.deviation);
        }
    }
    return columns;
}

void PupilPlot::paintPupil(QPainter& painter) const
{
    if (results_.pupilRuns().empty()) {
        painter.setPen(kInk);
        painter.setFont(font(20));
        painter.drawText(pupilPanel(), Qt::AlignCenter, QStringLiteral("No pupil values in these results"));
        return;
    }
    // One pixel column holds many steps of a long film: the picture is drawn from
    // what each column shows, however long the film.
    const std::vector<Column> columns = this->columns();
    const double left = pupilPanel().left() + 0.5;
    QPainterPath spread;
    QPainterPath mean;
    const auto add = [](QPainterPath& path, double x, double y) {
        if (path.elementCount() == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    };
    for (size_t c = 0; c < columns.size(); ++c) {
        const Column& column = columns[c];
        if (!column.used)
            continue;
        const double x = left + static_cast<double>(c);
        add(spread, x, yOf(column.top));
        add(mean, x, yOf(column.first));
        if (column.low != column.high) {
            const bool rising = column.last >= column.first;
            mean.lineTo(x, yOf(rising ? column.low : column.high));
            mean.lineTo(x, yOf(rising ? column.high : column.low));
        }
        mean.lineTo(x, yOf(column.last));
    }
    for (size_t c = columns.size(); c-- > 0;)
        if (columns[c].used)
            spread.lineTo(left + static_cast<double>(c), yOf(columns[c].bottom));
    spread.closeSubpath();

    painter.save();
    painter.setClipRect(pupilPanel());
    painter.fillPath(spread, kSpread);
    painter.setPen(QPen(kMean, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(mean);
    painter.restore();
}

void PupilPlot::paintKeypoints(QPainter& painter) const
{
    const QRectF panel = keypointPanel();
    const auto& timeLines = results_.timeLines();
    if (timeLines.empty())
        return;
    const double row = panel.height() / static_cast<double>(timeLines.size());
    painter.setFont(font(std::clamp(static_cast<int>(row) - 3, 8, 15)));
    for (size_t i = 0; i < timeLines.size(); ++i) {
        const double top = panel.top() + row * static_cast<double>(i);
        // Names are written only where rows are tall enough to read them.
        if (row >= 12) {
            painter.setPen(kInk);
            // Long names keep their ends, where recordings of one viewer differ (date and time).
            const QString name =
                painter.fontMetrics().elidedText(QString::fromStdString(timeLines[i].path().stem().string()),
                                                 Qt::ElideLeft, static_cast<int>(panel.left()) - 12);
            painter.drawText(QRectF(0, top, panel.left() - 8, row), Qt::AlignRight | Qt::AlignVCenter, name);
        }
        painter.setPen(QPen(kKeypoint, 2.0));
        bool inside = false;
        int lastColumn = -1;
        for (const TimeLineItem& item : timeLines[i].items()) {
            // One tick where a run of marked samples begins, and one per pixel column at most.
            if (item.interestingPoint == 1 && !inside) {
                const double x = xOf(item.time);
                if (static_cast<int>(x) != lastColumn)
                    painter.drawLine(QPointF(x, top + row * 0.1), QPointF(x, top + row * 0.9));
                lastColumn = static_cast<int>(x);
            }
            inside = item.interestingPoint == 1;
        }
    }
}

void PupilPlot::paintAxes(QPainter& painter) const
{
    const QRectF pupil = pupilPanel();
    const QRectF keys = keypointPanel();
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(pupil);
    painter.drawRect(keys);

    painter.setFont(font(26, true));
    painter.drawText(QRectF(0, 8, kWidth, 34), Qt::AlignCenter, title_);

    painter.setFont(font(18));
    const double stepS = niceStep(endMs_ / 1000.0, 12);
    for (double s = 0; s * 1000.0 <= endMs_; s += stepS) {
        const double x = xOf(static_cast<int>(s * 1000.0));
        for (const QRectF& panel : {pupil, keys})
            painter.drawLine(QPointF(x, panel.bottom()), QPointF(x, panel.bottom() + 6));
        painter.drawText(QRectF(x - 60, pupil.bottom() + 8, 120, 24), Qt::AlignHCenter | Qt::AlignTop,
                         timeLabel(static_cast<int>(std::lround(s))));
        painter.drawText(QRectF(x - 60, keys.bottom() + 8, 120, 24), Qt::AlignHCenter | Qt::AlignTop,
                         timeLabel(static_cast<int>(std::lround(s))));
    }
    if (!results_.pupilRuns().empty()) {
        const double stepUnits = niceStep((high_ - low_) / kPupilPerTrackerUnit, 8);
        for (double units = std::ceil(low_ / kPupilPerTrackerUnit / stepUnits) * stepUnits;
             units * kPupilPerTrackerUnit <= high_; units += stepUnits) {
            const double y = yOf(units * kPupilPerTrackerUnit);
            painter.drawLine(QPointF(pupil.left() - 6, y), QPointF(pupil.left(), y));
            painter.drawText(QRectF(0, y - 12, pupil.left() - 10, 24), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(units, 'f', stepUnits < 0.1 ? 2 : 1));
        }
    }
    painter.save();
    painter.translate(24, pupil.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-pupil.height() / 2, -14, pupil.height(), 28), Qt::AlignCenter,
                     PupilUnit::commonUnit(results_.timeLines()) == PupilUnit::Unit::millimetres
                         ? QStringLiteral("pupil diameter (mm)")
                         : QStringLiteral("pupil size (tracker units)"));
    painter.restore();
    painter.drawText(QRectF(0, keys.top() - 30, keys.left() + 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("  keypoints per viewer"));
}

void PupilPlot::paintLegend(QPainter& painter) const
{
    const double y = keypointPanel().bottom() + 46;
    double x = kLeft;
    painter.setFont(font(17));
    const auto entry = [&](const QString& text) {
        painter.setPen(kInk);
        const double width = painter.fontMetrics().horizontalAdvance(text);
        painter.drawText(QRectF(x, y - 12, width + 4, 24), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += width + 36;
    };
    painter.setPen(QPen(kMean, 2.5));
    painter.drawLine(QPointF(x, y), QPointF(x + 30, y));
    x += 38;
    entry(QStringLiteral("mean"));
    painter.fillRect(QRectF(x, y - 9, 30, 18), kSpread);
    x += 38;
    entry(QStringLiteral("± deviation across viewers"));
    painter.setPen(QPen(kKeypoint, 2.0));
    painter.drawLine(QPointF(x + 4, y - 10), QPointF(x + 4, y + 10));
    x += 16;
    entry(QStringLiteral("keypoint"));
    if (shots_ != nullptr && !shots_->shots().empty())
        entry(QStringLiteral("k/n above a shot: viewers with a keypoint in it"));
}

bool PupilPlot::knownExtension(const std::filesystem::path& file)
{
    const QString extension = QString::fromStdString(file.extension().string()).toLower();
    return extension == QLatin1String(".svg") || extension == QLatin1String(".png");
}

bool PupilPlot::save(const std::filesystem::path& file, std::string& error) const
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    const QString extension = QString::fromStdString(file.extension().string()).toLower();
    if (extension == QLatin1String(".svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&bytes);
        svg.setSize(size());
        svg.setViewBox(QRect(QPoint(0, 0), size()));
        svg.setResolution(static_cast<int>(kDotsPerInch));
        svg.setTitle(title_);
        QPainter painter(&svg);
        paint(painter);
    } else if (extension == QLatin1String(".png")) {
        QImage image(size(), QImage::Format_RGB32);
        {
            QPainter painter(&image);
            paint(painter);
        }
        const auto dotsPerMetre = static_cast<int>(std::lround(kDotsPerInch / 0.0254));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        if (!image.save(&bytes, "PNG")) {
            error = "cannot encode the picture as PNG";
            return false;
        }
    } else {
        error = "a plot is written as .svg or .png, not " + file.filename().string();
        return false;
    }
    if (!AtomicFile::write(file,
                           std::string_view(bytes.data().constData(), static_cast<size_t>(bytes.size())))) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool writePlot(const std::filesystem::path& file, const TimeLineManager& results, const ShotLine* shots,
               std::ostream& err, const measures::SynchronyResult* synchrony, const AoiPresence* aois)
{
    if (results.timeLines().empty()) {
        err << "gaze-analyse: no results loaded, so no plot\n";
        return false;
    }
    const auto viewers = results.timeLines().size();
    QString title =
        QStringLiteral("Pupil size and keypoints of %1 viewer%2").arg(viewers).arg(viewers == 1 ? "" : "s");
    if (const std::string movie = results.timeLines().front().movieName(); !movie.empty())
        title += QStringLiteral(" of ") + QString::fromStdString(movie);
    std::string error;
    if (!PupilPlot(results, shots, title, synchrony, aois).save(file, error)) {
        err << "gaze-analyse: " << error << '\n';
        return false;
    }
    return true;
}
