#include "shots/CutDetector.h"

#include <cmath>

CutDetector::CutDetector(double threshold, std::int64_t minShotMs)
    : threshold_(threshold), minShotMs_(minShotMs)
{
}

CutDetector::Histogram CutDetector::histogram(const QImage& frame)
{
    Histogram counts{};
    const QImage image = frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
                             ? frame
                             : frame.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    if (width == 0 || height == 0)
        return counts;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int row = y * 2 / height;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = line[x];
            const int bin = (qRed(pixel) >> 6) << 4 | (qGreen(pixel) >> 6) << 2 | (qBlue(pixel) >> 6);
            counts[static_cast<size_t>(row * 2 + x * 2 / width)][static_cast<size_t>(bin)] += 1.0f;
        }
    }
    for (auto& part : counts) {
        float total = 0.0f;
        for (const float count : part)
            total += count;
        if (total > 0.0f)
            for (float& count : part)
                count /= total;
    }
    return counts;
}

double CutDetector::score(const Histogram& before, const Histogram& after)
{
    double sum = 0.0;
    for (size_t part = 0; part < kParts; ++part) {
        double moved = 0.0;
        for (size_t bin = 0; bin < kBins; ++bin)
            moved += std::fabs(before[part][bin] - after[part][bin]);
        // Each moved pixel is counted once where it left and once where it went.
        sum += moved / 2.0;
    }
    return sum / kParts;
}

std::optional<double> CutDetector::add(const QImage& frame, std::int64_t timeMs)
{
    Histogram current = histogram(frame);
    std::optional<double> result;
    if (previous_) {
        result = score(*previous_, current);
        if (*result >= threshold_ && timeMs - lastCutMs_ >= minShotMs_) {
            cuts_.push_back({timeMs, *result});
            lastCutMs_ = timeMs;
        }
    }
    previous_ = current;
    return result;
}
