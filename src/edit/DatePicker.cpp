#include "DatePicker.h"

#include "AccountRecord.h"
#include "AutomationDate.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLocale>

namespace {

// The locale's short date, but always with four-digit years: a two-digit year section would
// confine the editor to one century.
QString dateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

// Qt's calendar asks for less height than its six weeks take with some fonts, and the popup cuts
// the last one; this one asks for a row more.
class RoomyCalendar final : public QCalendarWidget {
public:
    using QCalendarWidget::QCalendarWidget;
    // Qt's own size hint is its minimum size hint; both get the extra row here, without calling
    // each other.
    QSize minimumSizeHint() const override {
        const QSize base = QCalendarWidget::minimumSizeHint();
        return {base.width(), base.height() + fontMetrics().height() + 6};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }
};

} // namespace

DatePicker::DatePicker(QWidget* parent)
    : QWidget(parent), check_(new QCheckBox(this)), edit_(new QDateTimeEdit(this)) {
    check_->setObjectName(QStringLiteral("hasDate"));
    edit_->setObjectName(QStringLiteral("date"));
    edit_->setCalendarPopup(true);
    auto* calendar = new RoomyCalendar(edit_);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    edit_->setCalendarWidget(calendar);
    edit_->setDisplayFormat(dateFormat());
    // Automation dates run from the year 100 to 9999; the time of day is kept but not shown.
    edit_->setDateTimeRange(QDateTime(QDate(100, 1, 1), QTime(0, 0)),
                            QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(check_);
    layout->addWidget(edit_, 1);
    setFocusProxy(edit_);
    connect(check_, &QCheckBox::toggled, this, &DatePicker::showState);
    showState();
}

bool DatePicker::hasDate() const {
    return check_->isChecked();
}

QDateTime DatePicker::dateTime() const {
    return hasDate() ? edit_->dateTime() : QDateTime();
}

void DatePicker::setNoDate() {
    check_->setChecked(false);
}

void DatePicker::setDateTime(const QDateTime& moment) {
    if (!moment.isValid()) {
        setNoDate();
        return;
    }
    edit_->setDateTime(moment);
    check_->setChecked(true);
}

void DatePicker::setProposedDate(const QDate& date) {
    if (!hasDate() && date.isValid())
        edit_->setDateTime(QDateTime(date, QTime(0, 0)));
}

double DatePicker::value() const {
    return hasDate() ? toAutomationDate(edit_->dateTime()) : NoDate;
}

void DatePicker::setValue(double date) {
    if (IsDateSet(date))
        setDateTime(fromAutomationDate(date));
    else
        setNoDate();
}

void DatePicker::showState() {
    edit_->setEnabled(check_->isChecked());
}
