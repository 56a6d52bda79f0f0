#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "Settings.h"

class QWidget;

// The never-shown host of the popup notices and of the INI reader the column layout uses.
class SharedForm : public QObject {
    Q_OBJECT
public:
    static SharedForm& instance(); // created on first use, kept until exit

    // Shows Message for Secs seconds in a frameless notice that does not take the focus, and
    // returns at once. Kinds 0 and 2 look the same; other kinds show nothing. A second notice
    // while one shows is stacked beside it.
    void ShowPopUpMessage(const QString& Message, int Secs = 0, int KindMessage = 0);

    QStringList visibleMessages() const;             // texts on screen now, oldest first
    QStringList history() const { return history_; } // every text shown since start or clearHistory
    void clearHistory() { history_.clear(); }
    void hideAll();

    KW_ini& KW_ini_1() { return ini_; }

private:
    SharedForm() = default;
    void layoutNotices();
    QList<QPointer<QWidget>> notices_;
    QStringList history_;
    KW_ini ini_;
};
