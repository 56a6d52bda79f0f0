#include "AccountText.h"

#include "Categories.h"
#include "Output.h"
#include "RecordEditing.h"

QString accountText(const AccountRecord& r, bool reveal) {
    const CategoryInfo* category = categoryInfo(r.Type);
    QString out = QStringLiteral("ID: %1\nType: %2 (%3)\n")
                      .arg(QString::number(r.ID), QString::number(r.Type),
                           category ? QString::fromLatin1(category->key) : QStringLiteral("?"));
    const QString indent(4, u' ');
    for (const AccountField& f : accountFields()) {
        QString value;
        switch (f.kind) {
        case FieldKind::String:
            value = r.*f.text;
            if (f.secret && !reveal && !value.isEmpty())
                value = QStringLiteral("(hidden)");
            break;
        case FieldKind::Date: {
            const bool expiry = qstrcmp(f.name, "ExpirationPwd") == 0;
            const double d = expiry ? r.ExpirationPwd : r.RecordDate;
            if (expiry ? IsDateSet(d) : d != 0.0)
                value = dateText(d);
            break;
        }
        case FieldKind::Boolean:
            if (r.MyAccount)
                value = QStringLiteral("yes");
            break;
        case FieldKind::Long:     // ID and Type lead the output
        case FieldKind::Reserved: // carries nothing
            break;
        }
        if (!value.isEmpty())
            out += QLatin1StringView(f.name) + QStringLiteral(": ") + block(value, indent) + u'\n';
    }
    return out;
}

QStringList exportHeader() {
    QStringList header;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::Reserved)
            continue;
        header << QString::fromLatin1(f.name);
        if (qstrcmp(f.name, "Type") == 0)
            header << QStringLiteral("Category");
    }
    return header;
}

QStringList exportRow(const AccountRecord& r) {
    QStringList row;
    for (const AccountField& f : accountFields()) {
        switch (f.kind) {
        case FieldKind::String:
            row << r.*f.text;
            break;
        case FieldKind::Long:
            row << fieldText(r, f);
            if (qstrcmp(f.name, "Type") == 0) {
                const CategoryInfo* info = categoryInfo(r.Type);
                row << (info ? QString::fromLatin1(info->key) : QString());
            }
            break;
        case FieldKind::Date:
            if (qstrcmp(f.name, "ExpirationPwd") == 0)
                row << (IsDateSet(r.ExpirationPwd) ? dateText(r.ExpirationPwd) : QString());
            else
                row << (r.RecordDate != 0.0 ? dateText(r.RecordDate) : QString());
            break;
        case FieldKind::Boolean:
            row << fieldText(r, f);
            break;
        case FieldKind::Reserved:
            break;
        }
    }
    return row;
}
