#pragma once

#include <QString>

class QWidget;

// The modal questions and alerts the program asks, behind one interface so tests can answer.
class Prompts {
public:
    virtual ~Prompts() = default;
    enum class Answer { Yes, No, Cancel };

    // Yes/No with the question icon; true only for Yes. Enter and Esc answer No: these questions
    // guard deletions and other steps that cannot be taken back.
    virtual bool askYesNo(QWidget* parent, const QString& prompt, const QString& title) = 0;
    // "Save the changes?": Yes saves and is what Enter answers; No throws the changes away; Esc
    // or the close box cancels whatever the question was part of.
    virtual Answer askSaveChanges(QWidget* parent, const QString& prompt, const QString& title) = 0;
    // OK with the exclamation icon (the master password dialog's alert).
    virtual void alert(QWidget* parent, const QString& message, const QString& title) = 0;
    // An input box; false when cancelled, otherwise value holds the text typed.
    virtual bool inputBox(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& initial, QString& value) = 0;
};

class QtPrompts final : public Prompts {
public:
    bool askYesNo(QWidget* parent, const QString& prompt, const QString& title) override;
    Answer askSaveChanges(QWidget* parent, const QString& prompt, const QString& title) override;
    void alert(QWidget* parent, const QString& message, const QString& title) override;
    bool inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& initial,
                  QString& value) override;
};
