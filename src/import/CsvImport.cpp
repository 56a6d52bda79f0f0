#include "CsvImport.h"

#include "AutomationDate.h"
#include "CsvLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

double readDate(const QString& text, bool& ok) {
    const QString t = text.trimmed();
    ok = true;
    if (t.isEmpty())
        return NoDate;
    // As the export writes them: "yyyy-MM-dd", with " HH:mm:ss" when not midnight. Taken as a
    // wall-clock reading, so a time in a daylight-saving gap reads back as written.
    const QDate day = QDate::fromString(t.left(10), Qt::ISODate);
    QTime time(0, 0);
    if (t.size() != 10)
        time = t.size() == 19 && t[10] == u' ' ? QTime::fromString(t.mid(11), QStringLiteral("HH:mm:ss"))
                                               : QTime();
    if (day.isValid() && time.isValid())
        return toAutomationDate(QDateTime(day, time, Qt::UTC));
    // A date the export cannot show as a calendar day is written as its number.
    const double number = t.toDouble(&ok);
    ok = ok && std::isfinite(number);
    return number;
}

ImportProblem badValue(int line, const QString& column, const QString& why) {
    return {ImportProblem::BadValue, line, column, QStringLiteral("%1 %2").arg(column, why)};
}

ImportProblem vantrelRow(const Layout& layout, const QStringList& header, const QStringList& values, int line,
                         AccountRecord& r) {
    r.ExpirationPwd = NoDate;
    int type = -1;
    int category = -1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const int index = layout.fields[size_t(i)];
        const QString& value = values[i];
        const QString column = header[i].trimmed();
        if (index == -1) {
            if (!value.trimmed().isEmpty() && (category = categoryByKey(value.trimmed())) < 0)
                return badValue(line, column, QStringLiteral("'%1' is not a category").arg(value.left(40)));
            continue;
        }
        if (index < 0)
            continue;
        const AccountField& f = accountFields()[size_t(index)];
        switch (f.kind) {
        case FieldKind::String:
            r.*f.text = value;
            break;
        case FieldKind::Long: // Type: ID is never read
            if (!value.trimmed().isEmpty()) {
                bool ok = false;
                type = value.trimmed().toInt(&ok);
                if (!ok || !isCategoryCode(type))
                    return badValue(line, column,
                                    QStringLiteral("'%1' is not a category code").arg(value.left(40)));
            }
            break;
        case FieldKind::Date: {
            bool ok = false;
            r.ExpirationPwd = readDate(value, ok);
            if (!ok)
                return badValue(line, column, QStringLiteral("'%1' is not a date").arg(value.left(40)));
            break;
        }
        case FieldKind::Boolean:
            if (!setFieldText(r, f, value))
                return badValue(line, column, QStringLiteral("'%1' is not 1 or 0").arg(value.left(40)));
            break;
        case FieldKind::Reserved:
            break;
        }
    }
    if (type >= 0 && category >= 0 && type != category)
        return badValue(line, QStringLiteral("Category"), QStringLiteral("does not match Type"));
    if (type < 0 && category < 0)
        return badValue(line, QStringLiteral("Type"), QStringLiteral("is empty"));
    r.Type = type >= 0 ? type : category;
    return {};
}

QString hostOf(const QString& url) {
    return QUrl::fromUserInput(url.trimmed()).host();
}

void loginRow(const Layout& layout, const QStringList& values, const ImportOptions& options,
              AccountRecord& r) {
    QString value[int(Role::Dropped) + 1];
    QStringList labelled;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const Role role = layout.roles[size_t(i)];
        if (role == Role::Labelled) {
            if (!values[i].trimmed().isEmpty())
                labelled << layout.labels[i] + QStringLiteral(": ") + values[i];
        } else {
            value[int(role)] = values[i];
        }
    }
    auto v = [&](Role role) -> const QString& { return value[int(role)]; };
    const QString url = v(Role::Url).trimmed();
    const bool card = v(Role::Type).trimmed().compare(u"card", Qt::CaseInsensitive) == 0;
    r.Type = card                    ? int(CreditCards)
             : options.category >= 0 ? options.category
             : url.isEmpty()         ? int(Misc)
                                     : int(WebSites);
    r.ExpirationPwd = NoDate;
    r.AccountName = v(Role::User).trimmed();
    r.Password = v(Role::Password);
    r.Email = v(Role::Email).trimmed();
    r.Description = v(Role::Title).trimmed();
    if (r.Description.isEmpty())
        r.Description = url.isEmpty() ? QString() : hostOf(url);
    if (r.Description.isEmpty())
        r.Description = r.AccountName;
    if (!url.isEmpty()) {
        if (QString AccountRecord::*address = categoryInfo(r.Type)->webAddress)
            r.*address = url;
        else
            labelled.prepend(QStringLiteral("URL: ") + url);
    }
    if (card) {
        r.CardOwner = v(Role::CardOwner).trimmed();
        r.CardCompanyOwner = v(Role::CardBrand).trimmed();
        r.CardNumber = v(Role::CardNumber).trimmed();
        QString month = v(Role::CardMonth).trimmed();
        const QString year = v(Role::CardYear).trimmed();
        if (month.size() == 1 && month[0].isDigit())
            month.prepend(u'0');
        r.CardExpiration = month.isEmpty() || year.isEmpty() ? month + year : month + u'/' + year;
    }
    r.Notes = v(Role::Notes);
    if (!labelled.isEmpty())
        r.Notes += (r.Notes.isEmpty() ? QString() : QStringLiteral("\n\n")) + labelled.join(u'\n');
}

} // namespace

AccountRecord ImportBatch::account(size_t index) const {
    AccountRecord r;
    unpack(accounts.at(index), r);
    return r;
}

std::array<int, CategoryCountTotal> ImportBatch::perCategory() const {
    std::array<int, CategoryCountTotal> counts{};
    for (const StoredAccount& a : accounts)
        ++counts[size_t(a.type)];
    return counts;
}

ImportProblem readImportFile(const QString& path, QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.exists())
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file does not exist")};
    if (!info.isFile())
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("it is not a regular file")};
    if (info.size() > kMaxImportBytes)
        return {ImportProblem::Unreadable,
                0,
                {},
                QStringLiteral("the file is larger than %1 MB").arg(kMaxImportBytes >> 20)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file cannot be read")};
    bytes = file.read(kMaxImportBytes + 1);
    if (bytes.size() > kMaxImportBytes || file.error() != QFileDevice::NoError) {
        bytes.clear();
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file cannot be read")};
    }
    return {};
}

ImportProblem readCsvImport(const QByteArray& bytes, const ImportOptions& options, ImportBatch& batch) {
    batch = ImportBatch{};
    CsvReader reader(bytes);
    QStringList header;
    QStringList values;
    int line = 0;
    if (!reader.next(header, line)) {
        if (reader.problem())
            return reader.problem();
        return {ImportProblem::UnknownHeader, 1, {}, QStringLiteral("the file is empty")};
    }
    Layout layout;
    if (ImportProblem p = readHeader(header, options.format, layout))
        return p;
    batch.format = layout.format;
    while (reader.next(values, line)) {
        if (values.size() != header.size()) {
            batch = ImportBatch{};
            return {
                ImportProblem::FieldCount,
                line,
                {},
                QStringLiteral("%1 values where the header has %2").arg(values.size()).arg(header.size())};
        }
        if (std::all_of(values.begin(), values.end(),
                        [](const QString& v) { return v.trimmed().isEmpty(); })) {
            ++batch.emptyRows;
            continue;
        }
        AccountRecord r;
        if (layout.format == ImportFormat::Vantrel) {
            if (ImportProblem p = vantrelRow(layout, header, values, line, r)) {
                batch = ImportBatch{};
                return p;
            }
        } else {
            loginRow(layout, values, options, r);
        }
        batch.accounts.push_back(pack(r));
    }
    if (reader.problem()) {
        batch = ImportBatch{};
        return reader.problem();
    }
    return {};
}

void dropDuplicates(ImportBatch& batch, VaultEngine& engine) {
    // Compared by keyed digests: no second plain copy of every password stays in memory.
    auto key = [&engine](const QString& description, const QString& name, const QString& password) {
        return engine.DigestText(description + QChar(0) + name + QChar(0) + password);
    };
    QSet<QString> known;
    AccountRecords records;
    for (const CategoryInfo& c : categories()) { // one category at a time bounds the memory used
        engine.GetRecords(records, c.code);
        for (const AccountRecord& r : records)
            known.insert(key(r.Description, r.AccountName, r.Password));
    }
    records.clear();
    const int description = stringFieldNumber(&AccountRecord::Description);
    const int name = stringFieldNumber(&AccountRecord::AccountName);
    const int password = stringFieldNumber(&AccountRecord::Password);
    const auto before = batch.accounts.size();
    std::erase_if(batch.accounts, [&](const StoredAccount& a) {
        return known.contains(key(fieldOf(a, description).toString(), fieldOf(a, name).toString(),
                                  fieldOf(a, password).toString()));
    });
    batch.duplicates += int(before - batch.accounts.size());
}

bool addAll(const ImportBatch& batch, VaultEngine& engine) {
    std::vector<int> added;
    added.reserve(batch.accounts.size());
    try {
        for (size_t i = 0; i < batch.accounts.size(); ++i) {
            AccountRecord r = batch.account(i);
            if (!engine.PutRecord(r))
                throw VaultError("The account could not be stored");
            added.push_back(r.ID);
        }
        return true;
    } catch (const VaultError&) {
        for (auto it = added.rbegin(); it != added.rend(); ++it)
            engine.DeleteRecord(*it, AllCategories, true);
        return false;
    }
}

bool shredFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray zeros(64 * 1024, '\0');
    bool ok = true;
    for (qint64 left = file.size(); ok && left > 0;) {
        const qint64 written = file.write(zeros.constData(), std::min<qint64>(left, zeros.size()));
        ok = written > 0;
        left -= written;
    }
    ok = ok && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    return ok && QFile::remove(path);
}
