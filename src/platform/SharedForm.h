#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

// The never-shown host of the popup notices. One lives as long as the program's windows and
// reaches them through their services.
class SharedForm : public QObject {
    Q_OBJECT
public:
    SharedForm() = default;
    ~SharedForm() override; // notices still on screen go with it

    // Shows Message for Secs seconds in a frameless notice that does not take the focus, and
    // returns at once. Kinds 0 and 2 look the same; other kinds show nothing. A second notice
    // while one shows is stacked beside it.
    void ShowPopUpMessage(const QString& Message, int Secs = 0, int KindMessage = 0);

    QStringList visibleMessages() const; // texts on screen now, oldest first
    void hideAll();

private:
    void layoutNotices();
    QList<QPointer<QWidget>> notices_;
};
