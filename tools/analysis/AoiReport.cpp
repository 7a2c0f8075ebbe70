#include "analysis/AoiReport.h"

#include "common/AtomicFile.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace {

std::string fixed(double value, int decimals)
{
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ec == std::errc() ? result.ptr : text);
}

std::string percent(long long part, long long whole)
{
    return whole > 0 ? fixed(100.0 * static_cast<double>(part) / static_cast<double>(whole), 2)
                     : std::string();
}

} // namespace

AoiReport prepareAoiReport(const std::vector<Aoi>& aois, const TimeLineManager& results,
                           const std::vector<std::pair<int, int>>& shots)
{
    AoiReport report;
    for (const Aoi& aoi : aois)
        report.names.push_back(aoi.name);
    std::vector<int> starts;
    for (const auto& [number, start] : shots) {
        report.shotNumbers.push_back(number);
        starts.push_back(start);
    }
    long long filmEnd = 0;
    for (const TimeLine& timeLine : results.timeLines()) {
        const std::span<const int> times = timeLine.times();
        const int interval = sampleIntervalMs(times);
        report.intervalsMs.push_back(interval);
        if (times.empty())
            continue;
        const int last =
            timeLine.timesAscend() ? times.back() : *std::max_element(times.begin(), times.end());
        filmEnd = std::max(filmEnd, static_cast<long long>(last) + std::max(interval, 1));
    }
    report.film = std::make_unique<AoiFilm>(aois, std::move(starts),
                                            static_cast<int>(std::min<long long>(filmEnd, INT_MAX)));
    report.viewers.resize(results.timeLines().size());
    return report;
}

std::vector<AoiSummaryRow> summariseAois(const AoiReport& report)
{
    std::vector<AoiSummaryRow> rows;
    const AoiFilm& film = *report.film;
    std::vector<int> times;
    for (std::size_t aoi = 0; aoi < film.aoiCount(); ++aoi) {
        for (std::size_t cell = 0; cell < film.cellCount(); ++cell) {
            AoiSummaryRow row{aoi, cell, report.viewers.size(), 0, {}, {}, 0};
            times.clear();
            double dwell = 0;
            for (const std::vector<AoiMeasure>& viewer : report.viewers) {
                const AoiMeasure& m = viewer[aoi * film.cellCount() + cell];
                row.looked += m.entered ? 1 : 0;
                dwell += static_cast<double>(m.dwellMs);
                if (m.timeToFirstFixationMs >= 0)
                    times.push_back(m.timeToFirstFixationMs);
            }
            if (row.viewers > 0)
                row.meanDwellMs = dwell / static_cast<double>(row.viewers);
            if (!times.empty()) {
                std::sort(times.begin(), times.end());
                double sum = 0;
                for (const int t : times)
                    sum += t;
                row.meanTimeToFirstFixationMs = sum / static_cast<double>(times.size());
                const std::size_t half = times.size() / 2;
                row.medianTimeToFirstFixationMs =
                    times.size() % 2 ? double(times[half]) : (double(times[half - 1]) + times[half]) / 2;
            }
            rows.push_back(row);
        }
    }
    return rows;
}

std::vector<float> aoiPresenceShares(const AoiReport& report)
{
    std::vector<float> shares;
    if (report.presenceMs.empty() || report.film->filmEndMs() <= 0)
        return shares;
    shares.assign(report.film->aoiCount() * kAoiPresenceBins, 0.0f);
    for (const std::vector<float>& viewer : report.presenceMs)
        for (std::size_t i = 0; i < viewer.size() && i < shares.size(); ++i)
            shares[i] += viewer[i];
    const double stretchMs = static_cast<double>(report.film->filmEndMs()) / kAoiPresenceBins;
    const double whole = stretchMs * static_cast<double>(report.presenceMs.size());
    for (float& share : shares)
        share = static_cast<float>(std::min(1.0, share / whole));
    return shares;
}

std::string aoiCellName(const AoiReport& report, std::size_t cell)
{
    return cell < report.shotNumbers.size() ? std::to_string(report.shotNumbers[cell]) : std::string("all");
}

bool writeAoiTable(const std::filesystem::path& file, const AoiReport& report,
                   const std::vector<std::string>& viewerNames)
{
    const AoiFilm& film = *report.film;
    return AtomicFile::write(file, [&](std::ostream& out) {
        out << kAoiTableHeader << '\n';
        // Rows are put together with to_chars: a study with many shots writes millions.
        std::string line;
        const auto number = [&line](long long value) {
            char digits[24];
            line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        };
        for (std::size_t v = 0; v < report.viewers.size(); ++v) {
            for (std::size_t aoi = 0; aoi < film.aoiCount(); ++aoi) {
                for (std::size_t cell = 0; cell < film.cellCount(); ++cell) {
                    const AoiMeasure& m = report.viewers[v][aoi * film.cellCount() + cell];
                    const long long visible = film.visibleMs(aoi, cell);
                    line.clear();
                    line += viewerNames[v];
                    line += ';';
                    line += report.names[aoi];
                    line += ';';
                    line += aoiCellName(report, cell);
                    line += ';';
                    number(visible);
                    line += ';';
                    number(m.gazeMs);
                    line += ';';
                    line += percent(m.gazeMs, visible);
                    line += m.entered ? ";1;" : ";0;";
                    if (m.timeToFirstFixationMs >= 0) {
                        number(m.timeToFirstFixationMs);
                        line += ';';
                        number(m.firstFixationMs);
                    } else {
                        line += ';';
                    }
                    line += ';';
                    number(m.dwellMs);
                    line += ';';
                    line += percent(m.dwellMs, visible);
                    line += ';';
                    number(m.fixations);
                    line += ';';
                    number(m.visits);
                    line += '\n';
                    out << line;
                }
            }
        }
        return static_cast<bool>(out);
    });
}

bool writeAoiSummary(const std::filesystem::path& file, const AoiReport& report,
                     const std::vector<AoiSummaryRow>& rows)
{
    return AtomicFile::write(file, [&](std::ostream& out) {
        out << kAoiSummaryHeader << '\n';
        for (const AoiSummaryRow& row : rows) {
            out << report.names[row.aoi] << ';' << aoiCellName(report, row.cell) << ';' << row.viewers << ';';
            if (row.viewers > 0)
                out << fixed(static_cast<double>(row.looked) / static_cast<double>(row.viewers), 3);
            out << ';';
            if (row.meanTimeToFirstFixationMs)
                out << fixed(*row.meanTimeToFirstFixationMs, 1) << ';'
                    << fixed(*row.medianTimeToFirstFixationMs, 1);
            else
                out << ';';
            out << ';' << fixed(row.meanDwellMs, 1) << '\n';
        }
        return static_cast<bool>(out);
    });
}

void printAoiSummary(std::ostream& out, const AoiReport& report, const std::vector<AoiSummaryRow>& rows)
{
    out << "Areas of interest over the viewers, per shot (time to first fixation from the area's first "
           "visible moment in the shot):\n";
    for (const AoiSummaryRow& row : rows) {
        out << "  " << report.names[row.aoi] << ", shot " << aoiCellName(report, row.cell) << ": visible "
            << report.film->visibleMs(row.aoi, row.cell) << " ms, looked " << row.looked << " of "
            << row.viewers << " viewers";
        if (row.viewers > 0)
            out << " (" << percent(static_cast<long long>(row.looked), static_cast<long long>(row.viewers))
                << " %)";
        out << ", mean time to first fixation ";
        if (row.meanTimeToFirstFixationMs)
            out << fixed(*row.meanTimeToFirstFixationMs, 1) << " ms";
        else
            out << "none";
        out << ", mean dwell " << fixed(row.meanDwellMs, 1) << " ms\n";
    }
}
