#include "CategoryBar.h"

#include "BarIcons.h"
#include "Categories.h"
#include "ExplorerBar.h"
#include "TextCatalog.h"
#include "VaultEngine.h"

#include <algorithm>

namespace {

const QString kMainGroupTip = QStringLiteral("Store and handle all your passwords from here");
const QString kMainGroup = QStringLiteral("Main");
const QString kTypesGroup = QStringLiteral("Types");

struct TaskItem {
    const char* key;
    TextId caption;
    TextId tooltip;
    int icon;
};
const TaskItem kTaskItems[] = {
    {"New", TextId::BarNew, TextId::TipBarNew, 0},          {"Edit", TextId::BarEdit, TextId::TipBarEdit, 4},
    {"Delete", TextId::BarDelete, TextId::TipBarDelete, 2}, {"Find", TextId::BarFind, TextId::TipBarFind, 20},
    {"Exit", TextId::BarExit, TextId::TipBarExit, 19},
};

struct CategoryItem {
    int code;
    TextId caption;          // before the first count
    TextId captionWithCount; // followed by the count and ")"
    TextId tooltip;
    int icon;
};
const CategoryItem kCategoryItems[] = {
    {Banks, TextId::BarBanks, TextId::BarBanksCount, TextId::TipBanks, 5},
    {CreditCards, TextId::BarCreditCards, TextId::BarCreditCardsCount, TextId::TipCreditCards, 16},
    {Forums, TextId::BarForums, TextId::BarForumsCount, TextId::TipForums, 13},
    {Pins, TextId::BarPins, TextId::BarPinsCount, TextId::TipPins, 8},
    {Serials, TextId::BarSerials, TextId::BarSerialsCount, TextId::TipSerials, 7},
    {Messengers, TextId::BarMessengers, TextId::BarMessengersCount, TextId::TipMessengers, 11},
    {Services, TextId::BarServices, TextId::BarServicesCount, TextId::TipServices, 6},
    {Misc, TextId::BarMisc, TextId::BarMiscCount, TextId::TipMisc, 10},
    {WebSites, TextId::BarWebSites, TextId::BarWebSitesCount, TextId::TipWebSites, 18},
    {Dialup, TextId::BarDialup, TextId::BarDialupCount, TextId::TipDialup, 15},
    {Files, TextId::BarFiles, TextId::BarFilesCount, TextId::TipFiles, 14},
    {ComputersLogon, TextId::BarComputersLogon, TextId::BarComputersLogonCount, TextId::TipComputersLogon,
     17},
    {MailBoxes, TextId::BarMailBoxes, TextId::BarMailBoxesCount, TextId::TipMailBoxes, 12},
};

const CategoryItem& categoryItem(int code) {
    return *std::find_if(std::begin(kCategoryItems), std::end(kCategoryItems),
                         [code](const CategoryItem& c) { return c.code == code; });
}

QString keyOf(int code) {
    return QLatin1String(categoryInfo(code)->key);
}

} // namespace

CategoryBar::CategoryBar(QWidget* parentForWidget) : QObject(parentForWidget) {
    bar_ = new ExplorerBar(parentForWidget);
    bar_->setObjectName(QStringLiteral("vbalExplorerBarCtl_Main"));
    bar_->setImageList(&barIcon);
    connect(bar_, &ExplorerBar::itemClick, this,
            [this](const QString&, const QString& key) { emit itemClick(key); });
}

bool CategoryBar::isTask(const QString& key) {
    return std::any_of(std::begin(kTaskItems), std::end(kTaskItems),
                       [&key](const TaskItem& t) { return key == QLatin1String(t.key); });
}

QString CategoryBar::categoryTitle(int code) {
    return Text(categoryItem(code).caption);
}

void CategoryBar::BuildBar() {
    bar_->setRedraw(false);
    bar_->clearGroups();
    counts_ = {};
    bar_->addGroup(kMainGroup, Text(TextId::BarTasks), kMainGroupTip, barGroupPicture(32));
    for (const TaskItem& t : kTaskItems)
        bar_->addItem(kMainGroup, QLatin1String(t.key), Text(t.caption), t.icon, Text(t.tooltip));
    bar_->addGroup(kTypesGroup, Text(TextId::BarCategories), Text(TextId::TipBarCategories));
    for (int code : categoryBarOrder()) {
        const CategoryItem& c = categoryItem(code);
        bar_->addItem(kTypesGroup, keyOf(code), Text(c.caption), c.icon, Text(c.tooltip));
    }
    bar_->setRedraw(true);
}

void CategoryBar::retranslate() {
    bar_->setRedraw(false);
    bar_->setGroupTitle(kMainGroup, Text(TextId::BarTasks));
    for (const TaskItem& t : kTaskItems) {
        bar_->setItemCaption(kMainGroup, QLatin1String(t.key), Text(t.caption));
        bar_->setItemToolTip(kMainGroup, QLatin1String(t.key), Text(t.tooltip));
    }
    bar_->setGroupTitle(kTypesGroup, Text(TextId::BarCategories));
    bar_->setGroupToolTip(kTypesGroup, Text(TextId::TipBarCategories));
    for (int code : categoryBarOrder()) {
        bar_->setItemCaption(kTypesGroup, keyOf(code), categoryCaption(code));
        bar_->setItemToolTip(kTypesGroup, keyOf(code), Text(categoryItem(code).tooltip));
    }
    bar_->setRedraw(true);
}

QString CategoryBar::categoryCaption(int code) const {
    const CategoryItem& c = categoryItem(code);
    const std::optional<int>& count = counts_[size_t(code)];
    return count ? Text(c.captionWithCount) + QString::number(*count) + QLatin1Char(')') : Text(c.caption);
}

void CategoryBar::UpdateBar(VaultEngine* openFile) {
    bar_->setRedraw(false);
    for (int code : categoryBarOrder()) {
        if (!openFile) {
            counts_[size_t(code)].reset();
        } else {
            try {
                counts_[size_t(code)] = openFile->CategoryCount(code);
            } catch (const VaultError&) {
                continue; // this item keeps its caption; the others are still counted
            }
        }
        bar_->setItemCaption(kTypesGroup, keyOf(code), categoryCaption(code));
    }
    bar_->setRedraw(true);
}
