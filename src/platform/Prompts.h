#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class QWidget;

// The modal questions and alerts the program asks, behind one interface so tests can answer.
class Prompts {
public:
    virtual ~Prompts() = default;
    // Yes/No with the question icon; true only for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& prompt, const QString& title) = 0;
    // OK with the exclamation icon (the master password dialog's alert).
    virtual void alert(QWidget* parent, const QString& message, const QString& title) = 0;
    // An input box; false when cancelled, otherwise value holds the text typed.
    virtual bool inputBox(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& initial, QString& value) = 0;
};

class QtPrompts final : public Prompts {
public:
    bool askYesNo(QWidget* parent, const QString& prompt, const QString& title) override;
    void alert(QWidget* parent, const QString& message, const QString& title) override;
    bool inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& initial,
                  QString& value) override;
};

// Answers from a script, in order, and records every question asked.
class ScriptedPrompts final : public Prompts {
public:
    struct Asked {
        enum Kind { YesNo, Alert, Input } kind;
        QString prompt;
        QString title;
    };
    void answerYes() { yesNo_.append(true); }
    void answerNo() { yesNo_.append(false); }
    void answerInput(const QString& text) { inputs_.append(std::pair<bool, QString>(true, text)); }
    void cancelInput() { inputs_.append(std::pair<bool, QString>(false, QString())); }

    bool askYesNo(QWidget* parent, const QString& prompt, const QString& title) override;
    void alert(QWidget* parent, const QString& message, const QString& title) override;
    bool inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& initial,
                  QString& value) override;

    QList<Asked> asked;      // everything asked so far
    int unansweredYesNo = 0; // questions asked with no scripted answer left (answered No)
    int unansweredInput = 0;

private:
    QList<bool> yesNo_;
    QList<std::pair<bool, QString>> inputs_;
};
