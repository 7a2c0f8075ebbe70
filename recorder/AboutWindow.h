#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

// The About dialog: program name, version and the maker's page.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    AboutWindow(QWidget* parent, const QString& version);

    QTextBrowser* textBrowser;
    QPushButton* okButton;
};
