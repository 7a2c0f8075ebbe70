#pragma once

#include "recorder/core/ExaminationInputs.h"
#include "recorder/trackers/TrackerScreen.h"

#include <QString>
#include <QStringList>
#include <optional>

// Where an examination's results go and the header lines that open them.
class ResultsHeader
{
public:
    // "<movie's folder>/<movie's name>_data": where a movie's results go unless the operator says otherwise.
    static QString folderFor(const QString& moviePath);
    // "<folder>/<id>_<date><suffix>.csv": where results and recovery files go.
    static QString path(const QString& folder, const QString& id, const QString& dateText,
                        const QString& suffix = {});
    // The local time as results file names and headers spell it.
    static QString dateNow();
    // The header lines, without their comment marks; an empty screen line is left out.
    static QStringList lines(const ExaminationInputs& inputs, const QString& dateText,
                             const QString& resultsPath, const QString& screenLine);
    // The screen's geometry as its header line; empty when no screen is known.
    static QString screenLine(const std::optional<TrackerScreen>& screen, int viewingDistanceMm);
};
