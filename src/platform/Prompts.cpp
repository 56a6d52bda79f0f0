#include "Prompts.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

bool QtPrompts::askYesNo(QWidget* parent, const QString& prompt, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    // The questions guard deletions and discarded changes: Enter alone must not say Yes.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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

bool ScriptedPrompts::askYesNo(QWidget*, const QString& prompt, const QString& title) {
    asked.append(Asked{Asked::YesNo, prompt, title});
    if (yesNo_.isEmpty()) {
        ++unansweredYesNo;
        return false;
    }
    return yesNo_.takeFirst();
}

void ScriptedPrompts::alert(QWidget*, const QString& message, const QString& title) {
    asked.append(Asked{Asked::Alert, message, title});
}

bool ScriptedPrompts::inputBox(QWidget*, const QString& prompt, const QString& title, const QString&,
                               QString& value) {
    asked.append(Asked{Asked::Input, prompt, title});
    if (inputs_.isEmpty()) {
        ++unansweredInput;
        return false;
    }
    const auto [ok, text] = inputs_.takeFirst();
    if (ok)
        value = text;
    return ok;
}
