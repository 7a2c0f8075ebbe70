#include "recorder/core/ResultsHeader.h"

#include "common/ScreenGeometry.h"

#include <QDateTime>
#include <QFileInfo>

QString ResultsHeader::folderFor(const QString& moviePath)
{
    const QFileInfo movie(moviePath);
    return movie.absolutePath() + QLatin1Char('/') + movie.completeBaseName() + QStringLiteral("_data");
}

QString ResultsHeader::path(const QString& folder, const QString& id, const QString& dateText,
                            const QString& suffix)
{
    return folder + QLatin1Char('/') + id + QLatin1Char('_') + dateText + suffix + QStringLiteral(".csv");
}

QString ResultsHeader::dateNow()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
}

QStringList ResultsHeader::lines(const ExaminationInputs& inputs, const QString& dateText,
                                 const QString& resultsPath, const QString& screenLine)
{
    QStringList lines{QStringLiteral("Examination date: ") + dateText,
                      QStringLiteral("Movie path: ") + inputs.moviePath};
    if (!screenLine.isEmpty())
        lines << screenLine;
    lines << QStringLiteral("Output path: ") + resultsPath
          << QStringLiteral("Examination id: ") + inputs.examinationId;
    return lines;
}

QString ResultsHeader::screenLine(const std::optional<TrackerScreen>& screen, int viewingDistanceMm)
{
    if (!screen)
        return {};
    ScreenGeometry geometry;
    geometry.widthPx = screen->widthPx;
    geometry.heightPx = screen->heightPx;
    geometry.widthMm = screen->widthMm;
    geometry.heightMm = screen->heightMm;
    geometry.distanceMm = viewingDistanceMm;
    // The results file puts the comment mark before each of its header lines itself.
    return QString::fromStdString(formatScreenLine(geometry).substr(1));
}
