#include "player/PlayerPrompts.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/StringTable.h"
#include "player/core/TitleText.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdlib>

namespace {

// File-dialog filters from the string table: "Description (patterns)".
QString dialogFilter(int id)
{
    QString filter = loadString(id);
    filter.replace(QLatin1Char(';'), QString());
    return filter;
}

// On the offscreen and minimal platforms nobody can see, let alone answer, a
// dialog: questions take GAZEVIEW_UNATTENDED_ANSWER (yes/no, default no) and
// no file is chosen.
bool unattended()
{
    return displayless();
}

PlayerPrompts unattendedPrompts()
{
    PlayerPrompts prompts;
    prompts.askYesNo = [](const QString& question) {
        const char* answer = std::getenv("GAZEVIEW_UNATTENDED_ANSWER");
        const bool yes = answer != nullptr && QByteArray(answer).toLower() == "yes";
        LOG("unattended question: ", question, " - answered ", yes ? "Yes" : "No");
        return yes;
    };
    prompts.tell = [](const QString&) {}; // the window logs every message
    prompts.chooseMovie = [] { return QString(); };
    prompts.chooseResults = [] { return QStringList(); };
    prompts.chooseRecording = [] { return QString(); };
    prompts.nameArea = [](const QString&, const QString&) { return QString(); };
    return prompts;
}

} // namespace

PlayerPrompts dialogPrompts(QWidget* owner)
{
    if (unattended())
        return unattendedPrompts();
    PlayerPrompts prompts;
    prompts.askYesNo = [owner](const QString& question) {
        return QMessageBox::question(owner, TitleText::caption(), question,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    prompts.tell = [owner](const QString& message) {
        QMessageBox::warning(owner, TitleText::caption(), message);
    };
    prompts.chooseMovie = [owner] {
        return QFileDialog::getOpenFileName(owner, loadString(IDS_OPEN_MOVIE_TITLE), QString(),
                                            dialogFilter(IDS_MOVIE_FILTER));
    };
    prompts.chooseResults = [owner] {
        return QFileDialog::getOpenFileNames(owner, loadString(IDS_OPEN_RESULTS_TITLE), QString(),
                                             dialogFilter(IDS_RESULTS_FILTER));
    };
    prompts.chooseRecording = [owner] {
        return QFileDialog::getOpenFileName(owner, loadString(IDS_OPEN_RECORDING_TITLE), QStringLiteral("/"),
                                            dialogFilter(IDS_MOVIE_FILTER));
    };
    prompts.nameArea = [owner](const QString& problem, const QString& current) {
        const QString label = QCoreApplication::translate("PlayerWindow", "Name of the area of interest:");
        return QInputDialog::getText(owner, TitleText::caption(),
                                     problem.isEmpty() ? label : problem + QStringLiteral("\n\n") + label,
                                     QLineEdit::Normal, current)
            .trimmed();
    };
    return prompts;
}

bool displayless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
