#include "Prompts.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

bool QtPrompts::askYesNo(QWidget* parent, const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    // The questions guard deletions: Enter alone must not say Yes.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Prompts::Answer QtPrompts::askSaveChanges(QWidget* parent, const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, prompt,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel; // Esc, the close box, or anything unexpected: nothing is lost
    }
}

void QtPrompts::alert(QWidget* parent, const QString& message, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, parent);
    box.exec();
}

bool QtPrompts::inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& initial,
                         QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (ok)
        value = text;
    return ok;
}
