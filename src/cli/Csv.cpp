#include "Csv.h"

namespace {

bool needsQuotes(const QString& field) {
    if (field.isEmpty())
        return false;
    if (field.front().isSpace() || field.back().isSpace())
        return true; // some readers drop unquoted blanks
    for (QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    }
    return false;
}

} // namespace

QString csvRecord(const QStringList& fields) {
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        const QString& f = fields[i];
        if (needsQuotes(f)) {
            out += u'"';
            out += QString(f).replace(u'"', QStringLiteral("\"\""));
            out += u'"';
        } else {
            out += f;
        }
    }
    out += QStringLiteral("\r\n");
    return out;
}

QStringList formulaSafe(QStringList fields) {
    for (QString& f : fields) {
        if (!f.isEmpty() && QStringView(u"=+-@\t\r").contains(f.front()))
            f.prepend(u'\'');
    }
    return fields;
}
