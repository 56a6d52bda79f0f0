#include "CsvReader.h"

#include <QStringDecoder>

namespace {

bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

// The first line with bytes that are not UTF-8. A line break byte never occurs inside a UTF-8
// sequence, so each line can be checked alone.
int firstBadLine(const QByteArray& bytes) {
    int line = 1;
    for (qsizetype start = 0; start <= bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (!isUtf8(QByteArrayView(bytes).sliced(start, end - start)))
            return line;
        start = end + 1;
    }
    return 1;
}

} // namespace

QString describe(const ImportProblem& p) {
    const QString where = p.line > 0 ? QStringLiteral("line %1: ").arg(p.line) : QString();
    return where + p.detail;
}

CsvReader::CsvReader(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text_ = decoder(view);
    if (decoder.hasError()) {
        text_.clear();
        fail(ImportProblem::NotUtf8, firstBadLine(bytes), QStringLiteral("the text is not UTF-8"));
    }
}

bool CsvReader::fail(ImportProblem::Kind kind, int line, const QString& detail) {
    problem_ = {kind, line, {}, detail};
    at_ = text_.size();
    return false;
}

bool CsvReader::next(QStringList& fields, int& line) {
    const QChar* s = text_.constData();
    const qsizetype n = text_.size();
    while (!problem_ && at_ < n) {
        fields.clear();
        line = line_;
        bool quotedOnly = false; // a lone "" is a record with one empty value, not a blank line
        while (true) {
            QString field;
            if (at_ < n && s[at_] == u'"') {
                const int opened = line_;
                ++at_;
                while (true) {
                    // Copy up to the next quote in one go: most quoted values hold none.
                    qsizetype quote = at_;
                    while (quote < n && s[quote] != u'"') {
                        if (s[quote] == u'\n' ||
                            (s[quote] == u'\r' && (quote + 1 >= n || s[quote + 1] != u'\n')))
                            ++line_;
                        ++quote;
                    }
                    field.append(s + at_, quote - at_);
                    if (quote >= n)
                        return fail(
                            ImportProblem::UnclosedQuote, opened,
                            QStringLiteral("the quoted value that starts on line %1 never ends").arg(opened));
                    at_ = quote + 1;
                    if (at_ < n && s[at_] == u'"') {
                        field.append(u'"');
                        ++at_;
                        continue;
                    }
                    break;
                }
                if (at_ < n && s[at_] != u',' && s[at_] != u'\n' && s[at_] != u'\r')
                    return fail(ImportProblem::StrayQuote, line_,
                                QStringLiteral("text follows the closing double quote of a value"));
                quotedOnly = fields.isEmpty();
            } else {
                const qsizetype start = at_;
                // Lines end in CR LF, LF or (old Mac exports) CR alone.
                while (at_ < n && s[at_] != u',' && s[at_] != u'\n' && s[at_] != u'\r') {
                    if (s[at_] == u'"')
                        return fail(
                            ImportProblem::StrayQuote, line_,
                            QStringLiteral("a double quote inside a value that does not start with one"));
                    ++at_;
                }
                field = text_.sliced(start, at_ - start);
                quotedOnly = false;
            }
            fields.append(field);
            if (at_ < n && s[at_] == u',') {
                ++at_;
                continue;
            }
            if (at_ < n) { // the record's line break
                at_ += s[at_] == u'\r' && at_ + 1 < n && s[at_ + 1] == u'\n' ? 2 : 1;
                ++line_;
            }
            break;
        }
        if (fields.size() == 1 && fields.front().isEmpty() && !quotedOnly)
            continue; // a blank line
        return true;
    }
    return false;
}
