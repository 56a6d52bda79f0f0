#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QString>

class QGridLayout;
class QKeyEvent;
class QLineEdit;
class QWidget;
struct FieldBox;

// Pieces of the edit form that stand on their own.

// A several-line box that gives back exactly what it was given until the user edits it: the
// text document turns "\r\n", lone "\r" and line separators into "\n" and would otherwise
// rewrite stored notes and keys that nobody touched.
class MultiLineBox final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    void setText(const QString& text);
    QString text() const;

private:
    QString original_;
};

// Keys that only move the cursor, select, copy or switch windows do not count as typing.
bool isTypingKey(const QKeyEvent* event);

// The locale's general date: the date, then the time unless it is midnight; the time alone when
// the date part is zero.
QString generalDate(double date);

// The width a one-line box needs to show its usual content whole: a card number of up to 19
// digits, the full date, or a few words elsewhere.
int boxWidthFor(const QLineEdit* line, const FieldBox& box);

// The widgets of a grid that take the focus, as a reader meets them: by row, then by column.
QList<QWidget*> inReadingOrder(QGridLayout* grid);
