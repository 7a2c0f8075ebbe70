#pragma once

#include <QString>

// Qt's own texts (message box buttons, file dialogs) in the interface language, from
// the catalogues Qt installs (package qttranslations5-l10n). Installs the catalogue in
// the running application for the rest of the process; call after the application
// object exists. False when Qt has no catalogue of that language.
bool installQtTexts(const QString& language);
