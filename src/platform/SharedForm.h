#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QLabel;
class QWidget;

// The never-shown host of the popup notices. One lives as long as the program's windows and
// reaches them through their services.
class SharedForm : public QObject {
    Q_OBJECT
public:
    SharedForm();
    ~SharedForm() override; // a notice still on screen goes with it

    // Notices show at this window's bottom-right corner while it is on screen, otherwise at the
    // screen's.
    void setAnchor(QWidget* window);

    // Shows Message for Secs seconds in a frameless notice that does not take the focus, and
    // returns at once. Kinds 0 and 2 look the same; other kinds show nothing. One notice shows at
    // a time: a new one takes the place, text and time of the one showing.
    void ShowPopUpMessage(const QString& Message, int Secs = 0, int KindMessage = 0);

    QStringList visibleMessages() const; // the text on screen now, if any
    // Hides the notice if it still shows this text (it no longer applies).
    void hideMessage(const QString& text);
    void hideAll();

signals:
    void messageShown(const QString& text);

private:
    void place();
    QPointer<QWidget> anchor_;
    QPointer<QLabel> notice_;
    QTimer timer_;
};
