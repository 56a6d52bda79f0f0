#include "RecordEditing.h"

#include "AutomationDate.h"
#include "Categories.h"
#include "CliError.h"

namespace {

QString fieldName(int index) {
    return QString::fromLatin1(accountFields()[size_t(index)].name);
}

QString categoryKey(int code) {
    return QString::fromLatin1(categoryInfo(code)->key);
}

bool isDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

int parseCategory(const QString& text, const QString& command) {
    int code = -1;
    if (isDigits(text)) {
        bool ok = false;
        code = text.toInt(&ok);
        if (!ok)
            code = -1;
    } else {
        code = categoryByKey(text);
    }
    if (!isCategoryCode(code)) {
        QStringList keys;
        for (const CategoryInfo& c : categories())
            keys << QString::fromLatin1(c.key);
        usage(command, QStringLiteral("unknown category '%1'; use a code from 0 to 12 or one of %2")
                           .arg(text.left(40), keys.join(u", ")));
    }
    return code;
}

bool isSettableField(const AccountField& field) {
    switch (field.kind) {
    case FieldKind::String:
    case FieldKind::Boolean:
        return true;
    case FieldKind::Date:
        return qstrcmp(field.name, "ExpirationPwd") == 0;
    case FieldKind::Long:
    case FieldKind::Reserved:
        return false;
    }
    return false;
}

FieldAssignment parseFieldAssignment(const QString& argument, const QString& command) {
    const qsizetype eq = argument.indexOf(u'=');
    if (eq <= 0)
        usage(command, QStringLiteral("--field needs NAME=VALUE"));
    const QString name = argument.left(eq);
    const int index = accountFieldIndex(name);
    if (index < 0)
        usage(command, QStringLiteral("unknown field '%1'").arg(name.left(40)));
    if (!isSettableField(accountFields()[size_t(index)]))
        usage(command, QStringLiteral("field '%1' cannot be set").arg(name));
    return {index, argument.mid(eq + 1)};
}

void checkAssignments(const QList<FieldAssignment>& assignments, int category, const QString& command) {
    for (qsizetype i = 0; i < assignments.size(); ++i) {
        const int index = assignments[i].index;
        const int owner = accountFields()[size_t(index)].owner;
        if (owner >= 0 && owner != category)
            usage(command, QStringLiteral("field '%1' belongs to category %2, not %3")
                               .arg(fieldName(index), categoryKey(owner), categoryKey(category)));
        for (qsizetype j = 0; j < i; ++j) {
            if (assignments[j].index == index)
                usage(command, QStringLiteral("field '%1' given more than once").arg(fieldName(index)));
        }
    }
}

void applyAssignment(AccountRecord& record, const FieldAssignment& assignment, const QString& command) {
    const AccountField& field = accountFields()[size_t(assignment.index)];
    if (field.kind == FieldKind::Date) {
        // Dates are typed as calendar days; an empty value means no expiry.
        const QString text = assignment.value.trimmed();
        if (text.isEmpty()) {
            record.ExpirationPwd = NoDate;
            return;
        }
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid() || text.size() != 10 || day.year() < 100)
            usage(command, QStringLiteral("%1 must be a date written YYYY-MM-DD, or empty for none")
                               .arg(QLatin1StringView(field.name)));
        record.ExpirationPwd = toAutomationDate(QDateTime(day, QTime(0, 0)));
        return;
    }
    if (!setFieldText(record, field, assignment.value))
        usage(command, QStringLiteral("%1 must be yes or no").arg(QLatin1StringView(field.name)));
}

AccountRecord editableCopy(const AccountRecord& stored) {
    AccountRecord r;
    r.Type = stored.Type;
    r.ID = stored.ID;
    r.MyAccount = stored.MyAccount;
    r.ExpirationPwd = IsDateSet(stored.ExpirationPwd) ? stored.ExpirationPwd : NoDate;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::String && (f.owner < 0 || f.owner == stored.Type))
            r.*f.text = stored.*f.text;
    }
    return r;
}

void finishRecord(AccountRecord& record, const QString& command) {
    record.Description = record.Description.trimmed();
    record.AccountName = record.AccountName.trimmed();
    if (record.AccountName.isEmpty()) {
        if (record.Type == Files)
            record.AccountName = record.FileShortName.trimmed();
        else if (record.Type == Serials)
            record.AccountName = record.SoftwareName.trimmed();
    }
    if (!record.AccountName.isEmpty())
        return;
    if (record.Type == Files)
        usage(command, QStringLiteral("an account name or a file name (FileShortName) is required"));
    if (record.Type == Serials)
        usage(command, QStringLiteral("an account name or a software name (SoftwareName) is required"));
    usage(command, QStringLiteral("an account name is required"));
}

QString dateText(double date) {
    const QDateTime moment = fromAutomationDate(date);
    if (!moment.isValid())
        return QString::number(date, 'g', 17);
    if (moment.time() == QTime(0, 0))
        return moment.date().toString(Qt::ISODate);
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QStringList commonFieldNames() {
    QStringList names;
    for (const AccountField& f : accountFields()) {
        if (f.owner < 0 && isSettableField(f))
            names << QString::fromLatin1(f.name);
    }
    return names;
}

QStringList categoryFieldNames(int category) {
    QStringList names;
    for (const AccountField& f : accountFields()) {
        if (f.owner == category)
            names << QString::fromLatin1(f.name);
    }
    return names;
}
