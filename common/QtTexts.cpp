#include "common/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtTexts(const QString& language)
{
    // One catalogue for the process: the language changes only with a restart.
    static QTranslator translator;
    if (!translator.isEmpty())
        return true;
    return translator.load(QStringLiteral("qtbase_") + language,
                           QLibraryInfo::location(QLibraryInfo::TranslationsPath)) &&
           QCoreApplication::installTranslator(&translator);
}
