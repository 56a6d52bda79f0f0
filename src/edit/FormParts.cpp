#include "FormParts.h"

#include "AutomationDate.h"
#include "DatePicker.h"
#include "FieldSets.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

void MultiLineBox::setText(const QString& text) {
    original_ = text;
    setPlainText(text);
    document()->setModified(false);
}

QString MultiLineBox::text() const {
    if (!document()->isModified())
        return original_;
    // The raw text keeps non-breaking spaces, which the plain-text view turns into blanks.
    QString shown = document()->toRawText();
    shown.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    shown.replace(QChar::LineSeparator, QLatin1Char('\n'));
    if (original_.contains(QLatin1String("\r\n")))
        shown.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return shown;
}

// Keys that only move the cursor, select, copy or switch windows do not count as typing.
bool isTypingKey(const QKeyEvent* event) {
    const int key = event->key();
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return false;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return false;
    return !event->matches(QKeySequence::Copy) && !event->matches(QKeySequence::SelectAll);
}

// The locale's general date: the date, then the time unless it is midnight; the time alone
// when the date part is zero.
QString generalDate(double date) {
    const QDateTime moment = fromAutomationDate(date);
    if (!moment.isValid())
        return {};
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')); // a QTime has no zone to name
    timeFormat = timeFormat.trimmed();
    const QString time = locale.toString(moment.time(), timeFormat);
    if (std::trunc(date) == 0.0)
        return time;
    const QString day = locale.toString(moment.date(), QLocale::ShortFormat);
    return moment.time() == QTime(0, 0) ? day : day + QLatin1Char(' ') + time;
}

// The width a one-line box needs to show its usual content whole: a card number of 19 characters,
// the full date, or a few words elsewhere.
int boxWidthFor(const QLineEdit* line, const FieldBox& box) {
    const QFontMetrics metrics(line->font());
    const int padding = 16; // frame and text margins
    QString sample(16, QLatin1Char('x'));
    if (box.field == &AccountRecord::CardNumber)
        sample = QStringLiteral("0000 0000 0000 0000 000"); // up to 19 digits, in groups
    else if (box.textIndex == Box::RecordDate)
        sample = generalDate(46387.999988) + QStringLiteral("  "); // 31 December 2026, 23:59:59
    else if (box.textIndex == Box::Identifier)
        sample = QStringLiteral("0000000000");
    return metrics.horizontalAdvance(sample) + padding;
}

// The widgets of a grid that take the focus, as a reader meets them: by row, then by column.
QList<QWidget*> inReadingOrder(QGridLayout* grid) {
    struct Placed {
        int row, column;
        QWidget* widget;
    };
    std::vector<Placed> placed;
    for (int i = 0; i < grid->count(); ++i) {
        QWidget* w = grid->itemAt(i)->widget();
        if (!w || !(qobject_cast<DatePicker*>(w) || (w->focusPolicy() & Qt::TabFocus)))
            continue;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        placed.push_back({row, column, w});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    QList<QWidget*> order;
    for (const Placed& p : placed) {
        if (auto* picker = qobject_cast<DatePicker*>(p.widget))
            order << picker->checkBox() << picker->dateEdit(); // its box first, then its date
        else
            order << p.widget;
    }
    return order;
}
