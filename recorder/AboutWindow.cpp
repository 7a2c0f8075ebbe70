#include "recorder/AboutWindow.h"

#include <QPushButton>
#include <QTextBrowser>

AboutWindow::AboutWindow(QWidget* parent, const QString& version) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutWindow"));
    setFixedSize(325, 129);
    setWindowTitle(tr("About"));
    if (parent)
        setWindowIcon(parent->windowIcon());

    textBrowser = new QTextBrowser(this);
    textBrowser->setObjectName(QStringLiteral("textBrowser"));
    textBrowser->setGeometry(15, 11, 301, 81);
    textBrowser->setOpenExternalLinks(true);
    textBrowser->setHtml(
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                       "\"http://www.w3.org/TR/REC-html40/strict.dtd\">"
                       "<html><head><meta name=\"qrichtext\" content=\"1\" /></head><body>"
                       "<p align=\"center\"><span>Orvalis Reelscan<br>Gazelog<br>") +
        tr("Version %1").arg(version) +
        QStringLiteral("<br>&copy; Orvalis. "
                       "<a href=\"https://orvalis.example/reelscan\">orvalis.example/reelscan</a>"
                       "</span></p></body></html>"));

    okButton = new QPushButton(tr("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(90, 100, 151, 21);
    connect(okButton, &QPushButton::clicked, this, &QDialog::close);

    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}
