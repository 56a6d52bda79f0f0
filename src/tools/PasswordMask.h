#pragma once

#include <QLineEdit>
#include <QString>

// Hides the box's text behind the first character of mask ("#": every character shows as "#");
// an empty mask shows the text in clear.
void applyPasswordMask(QLineEdit* box, const QString& mask);

// A password box that keeps its text off the X primary selection. A box showing its text in
// clear publishes whatever is selected in it, by mouse or keyboard, for any program to read with
// a middle click, for as long as nothing else is selected: the clipboard wipe never reaches it.
class SecretLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void withdrawSelection();
};
