#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

class Clock;
class QSettings;

// Thin INI reader and writer: (file, section, key). An empty file name means the default file.
class KW_ini {
public:
    explicit KW_ini(QString defaultFile = {});
    void setDefaultFile(const QString& file) { defaultFile_ = file; }
    QString defaultFile() const { return defaultFile_; }
    QString read(const QString& file, const QString& section, const QString& key) const; // "" when missing
    void write(const QString& file, const QString& section, const QString& key, const QString& value);

private:
    QString defaultFile_;
};

// Where the settings file lives: QX.ini beside the executable when that folder is writable,
// otherwise in the user's configuration folder.
QString settingsFilePath(const QString& executableFolder, const QString& userConfigFolder);

// One reader and one writer per preference of section "Preferences"; each reader supplies its
// own default and some write it back, as the table of preferences says.
class Preferences {
public:
    Preferences(KW_ini& ini, const Clock& clock, QString executableFolder);

    QDateTime LastBackupWarning();
    void setLastBackupWarning(const QDateTime& moment);
    int LastType();
    void setLastType(int code);
    QString LanguageUsed();
    void setLanguageUsed(const QString& language);
    QString LastOpen();
    void setLastOpen(const QString& path);
    // The reader answers the folder of the stored path, with its trailing "/"; the executable's
    // folder (no trailing "/") when nothing is stored; "" for a value without "/".
    QString LastFolder();
    void setLastFolder(const QString& path);
    QString HiddenChar();
    void setHiddenChar(const QString& mask);
    // Whether a save keeps the previous version beside the file (NAME.qx.bak); on unless "0".
    bool KeepBackup();
    void setKeepBackup(bool keep);

    // True when more than 10 calendar days passed since the last reminder (and then stores now).
    bool backupReminderDue();

    KW_ini& ini() { return ini_; }
    const Clock& clock() const { return clock_; }

private:
    QString read(const char* key);
    void write(const char* key, const QString& value);
    KW_ini& ini_;
    const Clock& clock_;
    QString executableFolder_;
};

// The per-user store (QSettings native format, organisation and application "Vantrel"):
// "Preferences/Path" and the recent files "History/1", "History/2", ...
class UserStore {
public:
    UserStore();                             // the user's real store
    explicit UserStore(const QString& file); // a store in the given file (tests)
    ~UserStore();
    void setExecutablePath(const QString& path);
    QString executablePath() const;
    QSettings& settings();

private:
    std::unique_ptr<QSettings> settings_;
};
