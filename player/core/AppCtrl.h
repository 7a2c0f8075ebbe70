#pragma once

#include "player/core/PlayerState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTranslator;

// The player's application object: every path the program uses, the two
// settings files, the interface language and the command line. main() builds
// one, runs Start() once a QApplication exists (the monitors come from Qt) and
// hands it to the main window, which reads and changes the fields directly.
class AppCtrl : public PlayerState
{
public:
    // Every field holds its default; nothing is read or opened yet.
    AppCtrl();
    // Logs "AppCtrl stopped" when Start() opened the log, and removes the catalogue.
    ~AppCtrl();
    AppCtrl(const AppCtrl&) = delete;
    AppCtrl& operator=(const AppCtrl&) = delete;

    // The start-up sequence: paths beside `executablePath` (empty when unknown),
    // the settings folder, the log, both settings files, the language catalogue,
    // the command line (`arguments` with the program name first), the view
    // scale. Returns the text of a fatal error (the caller shows it and ends
    // with code 1), or nothing.
    std::optional<QString> Start(const QStringList& arguments, const QString& executablePath);

    // Turns the command line into mode, movie, play window, caption, results
    // path and monitor. Errors only log and request the quit with code 1.
    void ProcessCommandLine(const QStringList& arguments);

    // Installs the catalogue of `language` found beside ownFileName (or in the
    // data folder) for as long as this object lives; English stays otherwise.
    void LoadLanguage();

private:
    std::unique_ptr<QTranslator> translator_;
    QByteArray catalogue_; // the translator reads from it for its whole life
    bool started_ = false;
};
