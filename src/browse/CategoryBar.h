#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class ExplorerBar;
class QWidget;
class VaultEngine;

// The category bar: the task items and the thirteen categories with their counts.
class CategoryBar final : public QObject {
    Q_OBJECT
public:
    explicit CategoryBar(QWidget* parentForWidget);

    ExplorerBar& bar() { return *bar_; }

    void BuildBar();
    // Counts from the open file; without one the captions go back to their plain form.
    void UpdateBar(VaultEngine* openFile);
    // Every caption and tooltip again in the selected language; the counts stay.
    void retranslate();

    // The task items' keys: "New", "Edit", "Delete", "Find", "Exit".
    static bool isTask(const QString& key);
    // A category's name as the bar shows it, without its count.
    static QString categoryTitle(int code);

signals:
    void itemClick(const QString& key);

private:
    QString categoryCaption(int code) const;

    ExplorerBar* bar_;
    std::array<std::optional<int>, 13> counts_{}; // by category code; none until counted
};
