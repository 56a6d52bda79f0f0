#pragma once

#include <QDate>
#include <QDateTime>
#include <QWidget>

class QCheckBox;
class QDateTimeEdit;

// A date picker that can also hold no date: the check box says whether there is one.
class DatePicker : public QWidget {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    bool hasDate() const;
    QDateTime dateTime() const; // invalid when there is no date
    void setNoDate();
    void setDateTime(const QDateTime& moment); // an invalid moment gives no date
    // The date offered when the user ticks the box of an empty picker.
    void setProposedDate(const QDate& date);

    // As an automation date: NoDate (1 January 1900) when the picker holds none; a value
    // that is not a set date shows none.
    double value() const;
    void setValue(double date);

    QCheckBox* checkBox() const { return check_; }
    QDateTimeEdit* dateEdit() const { return edit_; }

private:
    void showState();
    QCheckBox* check_;
    QDateTimeEdit* edit_;
};
