#pragma once

#include <QToolButton>

class AppServices;
class QLineEdit;

// The button beside a password box that fills it with a random password from the engine: a
// click makes one of 10 characters, the drop-down offers the other lengths.
class GeneratorButton : public QToolButton {
    Q_OBJECT
public:
    GeneratorButton(AppServices& services, QLineEdit* box, QWidget* parent = nullptr);

    // The drop-down's entries "ID:10" ... "ID:100", captioned in the current language; called
    // once the window's texts are applied.
    void fillLengths();

    // Puts a password of that length in the box and gives the box the focus, its whole text
    // selected. Setting the text is not typing: a form does not count it as a change.
    void generate(int length);

private:
    AppServices& services_;
    QLineEdit* box_;
};
