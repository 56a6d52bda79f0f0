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

#include <memory>

struct TestServices {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(10, 0))};
    QString iniPath = dir.filePath(QStringLiteral("QX.ini"));
    KW_ini ini{iniPath};
    Preferences prefs{ini, clock, dir.path()};
    UserStore store{dir.filePath(QStringLiteral("user.conf"))};
    ScriptedPrompts prompts;
    SharedForm notices;
    ScriptedFileDialog files;
    RecordingLinks links;
    AppServices services{[] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); },
                         prefs,
                         store,
                         prompts,
                         clock,
                         notices,
                         files,
                         links};

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
        if (!e.CreateFile(path(name), password))
            return false;
        for (const QString& d : descriptions) {
            AccountRecord r;
            r.Type = 10;
            r.Description = d;
            r.AccountName = d + QStringLiteral("-user");
            r.ExpirationPwd = NoDate;
            if (!e.PutRecord(r))
                return false;
        }
        return e.SaveFile();
    }
    // How many accounts the file on disk holds, read by an engine of its own; -1 when it won't open.
    int accountsOnDisk(const QString& name, const QString& password) const {
        FileVaultEngine check(KdfLimits::cheapest());
        return check.OpenFile(path(name), password) ? check.AccountCount() : -1;
    }
    AccountRecord put(int type, const QString& description, const QString& name,
                      const QString& password = {}) {
        AccountRecord r;
        r.Type = type;
        r.Description = description;
        r.AccountName = name;
        r.Password = password;
        r.ExpirationPwd = NoDate;
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
    const QString path = folder.filePath(QStringLiteral("test.lan"));
    QString content = QStringLiteral("[default] English\n");
    for (const char* language : {"English", "Italiano"}) {
        content += QStringLiteral("[language %1]\n").arg(QLatin1String(language));
        for (TextId id : allTextIds())
            content += QStringLiteral("text %1 = %2%1\n")
                           .arg(QString::number(int(id)), language[0] == 'E' ? "T" : "IT");
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content.toUtf8());
    file.close();
    InitLanguage(path);
}
