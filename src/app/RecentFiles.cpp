#include "RecentFiles.h"

#include "Settings.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

RecentFiles::RecentFiles(UserStore& store, QMenu* fileMenu, QAction* separator, QAction* first,
                         QAction* insertBefore)
    : QObject(fileMenu), store_(store), menu_(fileMenu), separator_(separator), insertBefore_(insertBefore) {
    entries_.append(first);
    connect(first, &QAction::triggered, this,
            [this, first] { emit openRequested(first->data().toString()); });
}

bool RecentFiles::isInList(const QString& path) const {
    const QString lower = path.toLower();
    for (const QString& entry : history_) {
        if (entry.toLower() == lower)
            return true;
    }
    return false;
}

void RecentFiles::loadFromStore() {
    QSettings& s = store_.settings();
    for (int i = 1;; ++i) {
        const QString value = s.value(QStringLiteral("History/%1").arg(i)).toString();
        if (value.isEmpty())
            break;
        const QFileInfo info(value);
        if (!isInList(value) && info.exists() && info.isFile())
            history_.append(value);
    }
}

void RecentFiles::store() const {
    // Keys past the list's end stay as they are: a file that is missing today may be back
    // (a disk plugged in again) and is picked up at the next load.
    QSettings& s = store_.settings();
    for (int i = 0; i < history_.size(); ++i)
        s.setValue(QStringLiteral("History/%1").arg(i + 1), history_[i]);
    s.sync();
}

void RecentFiles::add_LastUsed(const QString& NewItem) {
    if (!isInList(NewItem))
        history_.prepend(NewItem);
    else
        history_.clear(); // reloaded from the store below, in the stored order
    store();
    rebuild();
}

void RecentFiles::rebuild() {
    loadFromStore();
    while (entries_.size() > 1)
        delete entries_.takeLast();
    QAction* first = entries_.first();
    first->setText(QString());
    first->setData(QString());
    first->setVisible(false);
    separator_->setVisible(false);
    for (int i = 0; i < history_.size(); ++i) {
        QAction* entry = first;
        if (i > 0) {
            entry = new QAction(menu_);
            entry->setObjectName(QStringLiteral("last_menu_%1").arg(i));
            menu_->insertAction(insertBefore_, entry);
            connect(entry, &QAction::triggered, this,
                    [this, entry] { emit openRequested(entry->data().toString()); });
            entries_.append(entry);
        }
        entry->setData(history_[i]);
        // "&&" keeps an ampersand in a path from becoming an access key.
        entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QString(history_[i]).replace(u'&', QStringLiteral("&&"))));
        entry->setVisible(true);
        separator_->setVisible(true);
    }
}
