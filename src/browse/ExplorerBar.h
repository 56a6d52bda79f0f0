#pragma once

#include <QPixmap>
#include <QScrollArea>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QPushButton;
class QVBoxLayout;

// An explorer-style bar: collapsible groups of clickable items, each group and item known by a
// key. Items show a caption and a picture from the bar's image list; groups and items carry a
// tooltip. Clicks are reported by key.
class ExplorerBar final : public QScrollArea {
    Q_OBJECT
public:
    using ImageList = std::function<QIcon(int index)>;

    explicit ExplorerBar(QWidget* parent = nullptr);
    ~ExplorerBar() override;

    void setImageList(ImageList images) { images_ = std::move(images); }

    void clearGroups();
    void addGroup(const QString& key, const QString& title, const QString& toolTip = {},
                  const QPixmap& picture = {});
    // False when the group does not exist or already has an item with that key.
    bool addItem(const QString& groupKey, const QString& key, const QString& caption, int iconIndex,
                 const QString& toolTip = {});

    QStringList groupKeys() const;
    QStringList itemKeys(const QString& groupKey) const;
    QString groupTitle(const QString& key) const;
    void setGroupTitle(const QString& key, const QString& title);
    QString groupToolTip(const QString& key) const;
    void setGroupToolTip(const QString& key, const QString& toolTip);
    bool hasGroupPicture(const QString& key) const;
    bool isGroupExpanded(const QString& key) const;
    void setGroupExpanded(const QString& key, bool expanded);

    QString itemCaption(const QString& groupKey, const QString& key) const;
    void setItemCaption(const QString& groupKey, const QString& key, const QString& caption);
    QString itemToolTip(const QString& groupKey, const QString& key) const;
    void setItemToolTip(const QString& groupKey, const QString& key, const QString& toolTip);
    int itemIconIndex(const QString& groupKey, const QString& key) const; // -1 when there is no such item
    QAbstractButton* itemButton(const QString& groupKey, const QString& key) const;

    // Off while many captions change, so the bar repaints once.
    void setRedraw(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void itemClick(const QString& groupKey, const QString& itemKey);

private:
    class GroupHeader;
    struct Item {
        QString key;
        int iconIndex;
        QPushButton* button;
    };
    struct Group {
        QString key;
        QWidget* frame;
        GroupHeader* header;
        QWidget* body;
        QVBoxLayout* bodyLayout;
        std::vector<Item> items;
    };
    Group* group(const QString& key) const;
    Item* item(const QString& groupKey, const QString& key) const;

    QWidget* content_;
    QVBoxLayout* layout_;
    ImageList images_;
    std::vector<std::unique_ptr<Group>> groups_;
};
