#pragma once

// The services every window gets, on a temporary folder: the real engine with the cheapest key
// derivation, real settings files, real notices, and scripted prompts, file dialogs, links and
// a clock that only moves when told.

#include "AppServices.h"
#include "Categories.h"
#include "Doubles.h"
#include "FileVaultEngine.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QFile>
#include <QTemporaryDir>

struct TestServices {
    static std::unique_ptr<VaultEngine> cheapEngine() {
        return std::make_unique<FileVaultEngine>(KdfLimits::cheapest());
    }
    static AccountRecord record(int type, const QString& text, const QString& name, const QString& pw = {}) {
        AccountRecord r;
        r.Type = type;
        r.Description = text;
        r.AccountName = name;
        r.Password = pw;
        r.ExpirationPwd = NoDate;
        return r;
    }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(10, 0))};
    QString iniPath = dir.filePath("QX.ini");
    KW_ini ini{iniPath};
    Preferences prefs{ini, clock, dir.path()};
    UserStore store{dir.filePath("user.conf")};
    ScriptedPrompts prompts;
    SharedForm notices;
    ScriptedFileDialog files;
    RecordingLinks links;
    AppServices services{cheapEngine, prefs, store, prompts, clock, notices, files, links};
    QStringList noticesShown; // every notice since the start, oldest first

    TestServices() {
        QObject::connect(&notices, &SharedForm::messageShown,
                         [this](const QString& text) { noticesShown << text; });
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    VaultEngine& engine() { return services.engine(); }
    QStringList shown() const { return noticesShown; }

    // A vault on disk made outside any window, with a Banks account per description.
    bool makeVault(const QString& name, const QString& password, const QStringList& descriptions = {}) const {
        FileVaultEngine e(KdfLimits::cheapest());
        bool ok = e.CreateFile(path(name), password);
        for (const QString& d : descriptions) {
            AccountRecord r = record(Banks, d, d + "-user");
            ok = ok && e.PutRecord(r);
        }
        return ok && e.SaveFile();
    }
    // How many accounts the file on disk holds, read by an engine of its own; -1 when it won't open.
    int accountsOnDisk(const QString& name, const QString& password) const {
        FileVaultEngine check(KdfLimits::cheapest());
        return check.OpenFile(path(name), password) ? check.AccountCount() : -1;
    }
    AccountRecord put(int type, const QString& description, const QString& name,
                      const QString& password = {}) {
        AccountRecord r = record(type, description, name, password);
        engine().PutRecord(r);
        return r;
    }
    AccountRecord stored(int id) {
        AccountRecord r;
        engine().GetRecord(id, AllCategories, r);
        return r;
    }
};

// Texts that tell themselves apart: every identifier reads "T<id>" in English and "IT<id>" in
// Italiano, so a swapped identifier shows.
inline QString T(TextId id) {
    return QStringLiteral("T%1").arg(int(id));
}

inline void useTestTexts() {
    static QTemporaryDir folder;
    QFile file(folder.filePath("test.lan"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write("[default] English\n");
    for (const char* language : {"English", "Italiano"}) {
        file.write(QByteArray("[language ") + language + "]\n");
        for (TextId id : allTextIds())
            file.write(QStringLiteral("text %1 = %2%1\n")
                           .arg(QString::number(int(id)), language[0] == 'E' ? "T" : "IT")
                           .toUtf8());
    }
    file.close();
    InitLanguage(file.fileName());
}
