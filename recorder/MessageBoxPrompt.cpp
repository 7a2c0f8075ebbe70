#include "recorder/MessageBoxPrompt.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>

namespace {

// On the offscreen and minimal platforms nobody can see, let alone answer, a dialog:
// warnings go to the log and stderr, and questions take GAZELOG_UNATTENDED_ANSWER (yes/no, default no).
bool unattended()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool unattendedAnswer()
{
    const char* answer = std::getenv("GAZELOG_UNATTENDED_ANSWER");
    return answer && QByteArray(answer).toLower() == "yes";
}

} // namespace

void MessageBoxPrompt::warning(const QString& title, const QString& text)
{
    if (unattended()) {
        LOG("unattended warning: ", title, ": ", text);
        std::cerr << title.toStdString() << ": " << text.toStdString() << std::endl;
        return;
    }
    QMessageBox::warning(parent_, title, text, QMessageBox::Ok);
}

void MessageBoxPrompt::notice(const QString& title, const QString& text)
{
    if (unattended()) {
        warning(title, text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

bool MessageBoxPrompt::question(const QString& title, const QString& text)
{
    if (unattended()) {
        const bool yes = unattendedAnswer();
        LOG("unattended question: ", title, ": ", text, " - answered ", yes ? "Yes" : "No");
        return yes;
    }
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::NoButton) == QMessageBox::Yes;
}

QString MessageBoxPrompt::openFile(const QString& title, const QString& startFolder, const QString& filter)
{
    if (unattended())
        return {};
    return QFileDialog::getOpenFileName(parent_, title, startFolder, filter);
}

QString MessageBoxPrompt::chooseFolder(const QString& title, const QString& startFolder)
{
    if (unattended())
        return {};
    return QFileDialog::getExistingDirectory(parent_, title, startFolder, QFileDialog::ShowDirsOnly);
}
