#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class UserStore;

// The File menu's list of files opened or created before, newest first, kept in the per-user
// store under "History/1", "History/2", ...
class RecentFiles : public QObject {
    Q_OBJECT
public:
    // The entries go into fileMenu between separator and insertBefore; first is last_menu(0).
    RecentFiles(UserStore& store, QMenu* fileMenu, QAction* separator, QAction* first, QAction* insertBefore);

    bool isInList(const QString& path) const;
    void add_LastUsed(const QString& NewItem);
    void store() const;
    void rebuild();
    QStringList History() const { return history_; }
    QList<QAction*> entries() const { return entries_; }

signals:
    void openRequested(const QString& path);

private:
    void loadFromStore();
    UserStore& store_;
    QMenu* menu_;
    QAction* separator_;
    QAction* insertBefore_;
    QList<QAction*> entries_; // last_menu(0), (1), ...
    QStringList history_;
};
