#pragma once

#include <QList>
#include <QString>

// What --help prints: the overview of the commands and one text for each.

struct CommandSummary {
    QString synopsis; // the command and its required arguments: "show FILE ID"
    QString summary;
};
QString mainHelp(const QList<CommandSummary>& commands);

QString createHelp();
QString lsHelp();
QString showHelp();
QString findHelp();
QString addHelp();
QString editHelp();
QString rmHelp();
QString generateHelp();
QString exportHelp();
QString importHelp();
QString passwdHelp();
