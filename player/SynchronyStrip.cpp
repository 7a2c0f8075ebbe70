#include "player/SynchronyStrip.h"

#include "common/Logger.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/overlay/ScanPath.h"

#include <QPainter>
#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr QRgb kBackground = 0xFF202020;
constexpr QRgb kCurve = 0xFFFFB000;
constexpr QRgb kCut = 0xFFE0E0E0;
// A step stands for its time until the next one; longer than this, and the gap shows.
constexpr std::int64_t kHoldMs = 100;

std::vector<int> cutsOf(const ShotLine& shots)
{
    std::vector<int> cuts;
    for (const Shot& shot : shots.shots())
        if (shot.time > 0)
            cuts.push_back(shot.time);
    return cuts;
}

} // namespace

SynchronyStrip::SynchronyStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("synchronyStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

SynchronyStrip::~SynchronyStrip()
{
    if (worker_.joinable())
        worker_.join();
}

void SynchronyStrip::follow(const TimeLineManager& results, const ShotLine& shots, bool shown,
                            std::int64_t durationMs)
{
    wanted_ = shown && results.timeLines().size() >= 2;
    if (!wanted_)
        return;
    ResultsKey key;
    for (const TimeLine& viewer : results.timeLines()) {
        key.viewers.push_back(&viewer);
        key.sizes.push_back(viewer.size());
        key.files.push_back(viewer.path());
    }
    if (!(key == key_)) {
        key_ = std::move(key);
        ++generation_;
        ready_ = false;
        steps_.clear();
        drawn_ = QImage();
        lastResults_ = &results;
        if (busy_)
            restartWanted_ = true;
        else
            start(results);
    }
    std::vector<int> cuts = cutsOf(shots);
    if (cuts != cutsMs_ || durationMs != durationMs_) {
        cutsMs_ = std::move(cuts);
        durationMs_ = durationMs;
        drawn_ = QImage();
        update();
    }
}

void SynchronyStrip::start(const TimeLineManager& results)
{
    if (worker_.joinable())
        worker_.join();
    // The worker gets copies: the window may load other results while it runs.
    struct Copy
    {
        std::vector<int> timeMs, x, y;
        std::vector<std::uint8_t> usable;
    };
    auto viewers = std::make_shared<std::vector<Copy>>();
    for (const TimeLine& viewer : results.timeLines()) {
        Copy& copy = viewers->emplace_back();
        copy.timeMs.assign(viewer.times().begin(), viewer.times().end());
        copy.x.assign(viewer.xs().begin(), viewer.xs().end());
        copy.y.assign(viewer.ys().begin(), viewer.ys().end());
        copy.usable.resize(viewer.size());
        for (std::size_t i = 0; i < viewer.size(); ++i)
            copy.usable[i] = viewer.blinkAt(i) > 0;
    }
    // One screen for the whole set: the viewers watched the same film on it.
    const ScreenGeometry geometry = ScanPath::screenOf(results.timeLines().front().path());
    const std::uint64_t generation = generation_;
    busy_ = true;
    LOG("computing the synchrony of ", viewers->size(), " viewers");
    worker_ = std::thread([this, viewers, geometry, generation] {
        std::vector<measures::GazeColumns> columns;
        for (const auto& viewer : *viewers)
            columns.push_back({viewer.timeMs, viewer.x, viewer.y, viewer.usable});
        measures::SynchronyResult result = measures::computeSynchrony(columns, geometry);
        QMetaObject::invokeMethod(
            this,
            [this, generation, steps = std::move(result.steps)]() mutable {
                finished(generation, std::move(steps));
            },
            Qt::QueuedConnection);
    });
}

void SynchronyStrip::finished(std::uint64_t generation, std::vector<measures::SynchronyStep> steps)
{
    busy_ = false;
    if (restartWanted_) {
        restartWanted_ = false;
        if (lastResults_)
            start(*lastResults_);
        return;
    }
    if (generation != generation_)
        return;
    LOG("synchrony known at ", steps.size(), " steps");
    steps_ = std::move(steps);
    ready_ = true;
    drawn_ = QImage();
    update();
}

QImage SynchronyStrip::render(QSize size, std::span<const measures::SynchronyStep> steps,
                              std::span<const int> cutsMs, std::int64_t durationMs)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    if (size.isEmpty())
        return image;
    if (durationMs <= 0 && !steps.empty())
        durationMs = steps.back().timeMs + 1;
    if (durationMs <= 0)
        return image;
    const int width = size.width();
    const auto columnOf = [&](std::int64_t timeMs) {
        return static_cast<int>(std::clamp<std::int64_t>(timeMs * width / durationMs, 0, width - 1));
    };
    std::vector<double> sum(static_cast<std::size_t>(width), 0.0);
    std::vector<int> count(static_cast<std::size_t>(width), 0);
    std::vector<int> lastMs(static_cast<std::size_t>(width), 0);
    for (const measures::SynchronyStep& step : steps) {
        if (step.viewers < 2 || step.timeMs < 0 || step.timeMs > durationMs)
            continue;
        const auto column = static_cast<std::size_t>(columnOf(step.timeMs));
        sum[column] += step.nss;
        ++count[column];
        lastMs[column] = std::max(lastMs[column], step.timeMs);
    }
    // Zoomed in, a column may fall between two steps: it shows the step before it,
    // unless so much time lies between that the viewers were not looking.
    std::vector<std::optional<double>> value(static_cast<std::size_t>(width));
    std::optional<double> held;
    int heldMs = 0;
    for (std::size_t x = 0; x < value.size(); ++x) {
        if (count[x] > 0) {
            held = sum[x] / count[x];
            heldMs = lastMs[x];
            value[x] = held;
        } else if (held && static_cast<std::int64_t>(x) * durationMs / width - heldMs <= kHoldMs) {
            value[x] = held;
        }
    }
    double top = 1.0;
    for (const std::optional<double>& v : value)
        top = std::max(top, v.value_or(0.0));
    QPainter painter(&image);
    const int height = size.height();
    for (int x = 0; x < width; ++x) {
        const std::optional<double>& v = value[static_cast<std::size_t>(x)];
        if (!v)
            continue;
        const double share = std::clamp(*v / top, 0.0, 1.0);
        const int bar = std::max(1, static_cast<int>(share * (height - 2) + 0.5));
        painter.fillRect(x, height - 1 - bar, 1, bar, QColor::fromRgb(kCurve));
    }
    for (const int cut : cutsMs)
        if (cut > 0 && cut < durationMs)
            painter.fillRect(columnOf(cut), 0, 1, height, QColor::fromRgb(kCut));
    return image;
}

void SynchronyStrip::paintEvent(QPaintEvent*)
{
    if (drawn_.size() != size())
        drawn_ = render(size(), steps_, cutsMs_, durationMs_);
    QPainter painter(this);
    painter.drawImage(0, 0, drawn_);
}

void SynchronyStrip::resizeEvent(QResizeEvent*)
{
    drawn_ = QImage();
}
