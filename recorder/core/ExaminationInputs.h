#pragma once

#include <QString>

// What the examination tab holds when the operator acts.
struct ExaminationInputs
{
    QString moviePath;
    QString outputFolder;
    QString examinationId;
    bool partOfMovie = false;
    QString partStartText;
    QString partEndText;
    bool useGopro = false;
};
