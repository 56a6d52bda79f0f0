#include "Output.h"

#include <cstdio>

namespace {

bool gOutFailed = false;

// Control characters could drive the terminal; bidirectional embeddings, overrides and isolates
// could make one text look like another.
bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

void writeOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        gOutFailed = true;
}

bool finishOut() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        gOutFailed = true;
    return !gOutFailed;
}

namespace {

QChar lineSafe(QChar c) {
    if (c == u'\n' || c == u'\r' || c == u'\t')
        return u' ';
    return isControl(c.unicode()) ? QChar(QChar::ReplacementCharacter) : c;
}

} // namespace

QString oneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = lineSafe(c);
    return out;
}

void appendOneLine(QString& out, QStringView text) {
    const qsizetype from = out.size();
    out.append(text);
    QChar* p = out.data();
    for (qsizetype i = from; i < out.size(); ++i)
        p[i] = lineSafe(p[i]);
}

QString block(const QString& text, const QString& indent) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        if (c == u'\n' || c == u'\r')
            out += u'\n' + indent;
        else if (c == u'\t')
            out += u'\t';
        else
            out += isControl(c) ? QChar(QChar::ReplacementCharacter) : QChar(c);
    }
    return out;
}
