#pragma once

// Stand-ins for what a person at the screen would otherwise do: answer questions, pick files,
// follow links, and let time pass.

#include "Clock.h"
#include "FileDialog.h"
#include "Funzioni.h"
#include "Prompts.h"

#include <QUrl>

// A clock that stands still until told to move; both of its readings move together.
class ManualClock final : public Clock {
public:
    explicit ManualClock(const QDateTime& start) : now_(start) {}
    QDateTime now() const override { return now_; }
    qint64 monotonicMs() const override { return monotonic_; }
    // The wall clock alone jumps (the user sets the time, a new year begins); the monotonic one stays.
    void set(const QDateTime& moment) { now_ = moment; }
    void advanceSecs(qint64 secs) { now_ = now_.addSecs(secs), monotonic_ += secs * 1000; }

private:
    QDateTime now_;
    qint64 monotonic_ = 1000000;
};

// Answers from a script, in order, and records every question asked. A question with no
// scripted answer left is answered No (or cancelled).
class ScriptedPrompts final : public Prompts {
public:
    struct Asked {
        enum Kind { YesNo, SaveChanges, Alert, Input } kind;
        QString prompt;
        QString title;
        QString initial; // an input box's proposed answer
    };
    void answerYes() { yesNo_.append(Answer::Yes); }
    void answerNo() { yesNo_.append(Answer::No); }
    void answerCancel() { yesNo_.append(Answer::Cancel); } // Esc or the close box
    void answerInput(const QString& text) { inputs_.append({Reply::Typed, text}); }
    void acceptProposed() { inputs_.append({Reply::Proposed, {}}); } // OK on what the box offers
    void cancelInput() { inputs_.append({Reply::Cancel, {}}); }

    bool askYesNo(QWidget*, const QString& prompt, const QString& title) override {
        asked.append({Asked::YesNo, prompt, title, {}});
        return !yesNo_.isEmpty() && yesNo_.takeFirst() == Answer::Yes;
    }
    Answer askSaveChanges(QWidget*, const QString& prompt, const QString& title) override {
        asked.append({Asked::SaveChanges, prompt, title, {}});
        return yesNo_.isEmpty() ? Answer::No : yesNo_.takeFirst();
    }
    void alert(QWidget*, const QString& message, const QString& title) override {
        asked.append({Asked::Alert, message, title, {}});
    }
    bool inputBox(QWidget*, const QString& prompt, const QString& title, const QString& initial,
                  QString& value) override {
        asked.append({Asked::Input, prompt, title, initial});
        if (inputs_.isEmpty())
            return false;
        const auto [reply, text] = inputs_.takeFirst();
        if (reply != Reply::Cancel)
            value = reply == Reply::Typed ? text : initial;
        return reply != Reply::Cancel;
    }

    QStringList prompts() const {
        QStringList out;
        for (const Asked& a : asked)
            out << a.prompt;
        return out;
    }
    // The last question, as "title: prompt".
    QString last() const {
        return asked.isEmpty() ? QString() : asked.last().title + ": " + asked.last().prompt;
    }

    QList<Asked> asked;

private:
    enum class Reply { Typed, Proposed, Cancel };
    QList<Answer> yesNo_;
    QList<std::pair<Reply, QString>> inputs_;
};

// Picks the files it was told to, in order; cancels when it has none left.
class ScriptedFileDialog final : public FileDialogBackend {
public:
    FileDialogAnswer run(const FileDialogRequest& request) override {
        requests.append(request);
        return answers.isEmpty() ? FileDialogAnswer{} : answers.takeFirst();
    }
    void choose(const QString& path) { answers.append(FileDialogAnswer{true, path, 1, 0}); }
    void cancel() { answers.append(FileDialogAnswer{}); }
    QList<FileDialogAnswer> answers;
    QList<FileDialogRequest> requests;
};

// Records what would have gone to the browser or the mail program.
class RecordingLinks final : public LinkOpener {
public:
    void openUrl(const QUrl& url) override { opened.append(url); }
    QList<QUrl> opened;
};
