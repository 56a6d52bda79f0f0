#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What stops a CSV file from being imported, and where. Line numbers count from 1, the header
// being line 1; a record that spans several lines is reported on the line the fault is on.
struct ImportProblem {
    enum Kind {
        None,
        Unreadable,    // the file could not be read, or is too large
        NotUtf8,       // line holds bytes that are not UTF-8
        UnclosedQuote, // a quoted value opened on line never ends
        StrayQuote,    // a double quote inside an unquoted value, or text after a closing one
        FieldCount,    // the record on line has another number of values than the header
        UnknownHeader, // no format this program knows has this header (or the file is empty)
        BadValue,      // a value of column cannot go into an account (a date, a category, ...)
    };
    Kind kind = None;
    int line = 0;   // 0 when the problem is not on one line
    QString column; // BadValue, UnknownHeader with a forced format: the column concerned
    QString detail; // in English, for the command-line tool; never holds a value of a secret field

    explicit operator bool() const { return kind != None; }
};

// The whole problem in English on one line, for the command-line tool.
QString describe(const ImportProblem& problem);

// Reads RFC 4180 text record by record: fields separated by commas; a field in double quotes may
// hold commas, line breaks and doubled double quotes; records end with CR LF or LF. Line breaks
// inside quoted values are kept as they are. Lines with nothing on them are skipped.
class CsvReader {
public:
    // The bytes as UTF-8, with or without a byte-order mark.
    explicit CsvReader(const QByteArray& bytes);

    // The next record and the line it starts on; false at the end or on a problem.
    bool next(QStringList& fields, int& line);
    const ImportProblem& problem() const { return problem_; }

private:
    bool fail(ImportProblem::Kind kind, int line, const QString& detail);

    QString text_;
    qsizetype at_ = 0;
    int line_ = 1;
    ImportProblem problem_;
};
