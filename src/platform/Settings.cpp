#include "Settings.h"

#include "Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

namespace {
const QString kPreferences = QStringLiteral("Preferences");

// QSettings keeps top-level keys under [General] and escapes a group of that name, so the
// section "General" maps to the top level to keep the file's layout as named.
QString iniKey(const QString& section, const QString& key) {
    if (section.isEmpty() || section == QLatin1String("General"))
        return key;
    return section + QLatin1Char('/') + key;
}

QString withoutTrailingSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

// The folder accepts new files: checked by making one, since permission bits say little
// to root or on read-only mounts.
bool folderIsWritable(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable())
        return false;
    const QFileInfo existing(QDir(folder).filePath(QStringLiteral("QX.ini")));
    if (existing.exists())
        return existing.isFile() && existing.isWritable();
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("QX.XXXXXX.probe")));
    return probe.open();
}
} // namespace

KW_ini::KW_ini(QString defaultFile) : defaultFile_(std::move(defaultFile)) {}

QString KW_ini::read(const QString& file, const QString& section, const QString& key) const {
    const QString path = file.isEmpty() ? defaultFile_ : file;
    if (path.isEmpty() || key.isEmpty())
        return {};
    const QSettings ini(path, QSettings::IniFormat);
    const QVariant value = ini.value(iniKey(section, key));
    // A hand-edited line such as "a, b" comes back as a list; give the text back rather than "".
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void KW_ini::write(const QString& file, const QString& section, const QString& key, const QString& value) {
    const QString path = file.isEmpty() ? defaultFile_ : file;
    if (path.isEmpty() || key.isEmpty())
        return;
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(iniKey(section, key), value);
    ini.sync();
}

QString settingsFilePath(const QString& executableFolder, const QString& userConfigFolder) {
    const QString name = QStringLiteral("QX.ini");
    if (folderIsWritable(executableFolder))
        return QDir(executableFolder).filePath(name);
    QDir().mkpath(userConfigFolder);
    return QDir(userConfigFolder).filePath(name);
}

Preferences::Preferences(KW_ini& ini, const Clock& clock, QString executableFolder)
    : ini_(ini), clock_(clock), executableFolder_(withoutTrailingSlash(std::move(executableFolder))) {}

QString Preferences::read(const char* key) {
    return ini_.read({}, kPreferences, QLatin1String(key));
}

void Preferences::write(const char* key, const QString& value) {
    ini_.write({}, kPreferences, QLatin1String(key), value);
}

QDateTime Preferences::LastBackupWarning() {
    const QString stored = read("LastBackupWarning").trimmed();
    if (stored.isEmpty()) {
        const QDateTime now = clock_.now();
        setLastBackupWarning(now);
        return now;
    }
    return QDateTime::fromString(stored, Qt::ISODateWithMs);
}

void Preferences::setLastBackupWarning(const QDateTime& moment) {
    write("LastBackupWarning", moment.toString(Qt::ISODateWithMs));
}

int Preferences::LastType() {
    const QString stored = read("LastType").trimmed();
    if (stored.isEmpty()) {
        setLastType(0);
        return 0;
    }
    return stored.toShort(); // 0 when it is not a 16-bit number
}

void Preferences::setLastType(int code) {
    write("LastType", QString::number(code));
}

QString Preferences::LanguageUsed() {
    const QString stored = read("LanguageUsed");
    if (stored.trimmed().isEmpty()) {
        const QString english = QStringLiteral("English");
        setLanguageUsed(english);
        return english;
    }
    return stored;
}

void Preferences::setLanguageUsed(const QString& language) {
    write("LanguageUsed", language);
}

QString Preferences::LastOpen() {
    const QString stored = read("LastOpen");
    return stored.trimmed().isEmpty() ? QString() : stored;
}

void Preferences::setLastOpen(const QString& path) {
    write("LastOpen", path);
}

QString Preferences::LastFolder() {
    const QString stored = read("LastFolder").trimmed();
    if (stored.isEmpty())
        return executableFolder_;
    const qsizetype slash = stored.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : stored.left(slash + 1);
}

void Preferences::setLastFolder(const QString& path) {
    write("LastFolder", path);
}

QString Preferences::HiddenChar() {
    return read("HiddenChar").trimmed();
}

void Preferences::setHiddenChar(const QString& mask) {
    write("HiddenChar", mask);
}

bool Preferences::KeepBackup() {
    return read("KeepBackup").trimmed() != QLatin1String("0");
}

void Preferences::setKeepBackup(bool keep) {
    write("KeepBackup", keep ? QStringLiteral("1") : QStringLiteral("0"));
}

bool Preferences::backupReminderDue() {
    const QDateTime last = LastBackupWarning();
    const QDateTime now = clock_.now();
    // An unreadable stored moment would otherwise silence the reminder for good.
    const bool due = !last.isValid() || last.toLocalTime().date().daysTo(now.toLocalTime().date()) > 10;
    if (due)
        setLastBackupWarning(now);
    return due;
}

UserStore::UserStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Vantrel"), QStringLiteral("Vantrel"))) {}

UserStore::UserStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::NativeFormat)) {}

UserStore::~UserStore() = default;

void UserStore::setExecutablePath(const QString& path) {
    settings_->setValue(QStringLiteral("Preferences/Path"), path);
    settings_->sync();
}

QString UserStore::executablePath() const {
    return settings_->value(QStringLiteral("Preferences/Path")).toString();
}

QSettings& UserStore::settings() {
    return *settings_;
}
