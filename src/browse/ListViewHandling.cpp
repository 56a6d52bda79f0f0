#include "ListViewHandling.h"

#include "AccountListView.h"
#include "Settings.h"

#include <QHeaderView>

#include <cmath>

int ColumnIndexByKey(const std::vector<ListColumn>& columns, const QString& key) {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return NoColumn;
}

int ColumnIndexByKey(const AccountListView& list, const QString& key) {
    return ColumnIndexByKey(list.listModel().columns(), key);
}

int NextSortOrder(int order) {
    switch (order) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 1;
    default:
        return 0;
    }
}

namespace {
QString withoutIdMarks(const QString& key) {
    QString rest = key;
    rest.remove(QStringLiteral("ID:"));
    return rest;
}
} // namespace

qint32 rowKeyId(const QString& key) {
    const QString rest = withoutIdMarks(key);
    if (rest.isEmpty())
        return 0;
    return toInt32(leadingNumber(rest.section(QLatin1Char(':'), 0, 0))).value_or(0);
}

qint32 rowKeyCategory(const QString& key) {
    const QString rest = withoutIdMarks(key);
    if (rest.isEmpty())
        return 0;
    const QStringList parts = rest.split(QLatin1Char(':'));
    if (parts.size() < 2)
        return 99;
    return toInt32(leadingNumber(parts.at(1))).value_or(99);
}

// ---- column layout ------------------------------------------------------------------------------

namespace {

QString containerName(const AccountListView& list) {
    return list.window()->objectName();
}

QString columnSection(const QString& listSection, int column) {
    return listSection + QLatin1Char('.') + QString::number(column);
}

// The stored width while the user has not changed the column, so a width that is not a whole
// number of pixels survives every run unchanged.
double widthInTwips(const AccountListView& list, int column) {
    const double stored = list.listModel().columns().at(size_t(column)).widthTwips;
    const int pixels = list.horizontalHeader()->sectionSize(column);
    return qRound(stored / TwipsPerPixel) == pixels ? stored : pixels * TwipsPerPixel;
}

bool isPermutation(const std::vector<int>& order) {
    std::vector<bool> seen(order.size(), false);
    for (int v : order) {
        if (v < 0 || v >= int(order.size()) || seen[size_t(v)])
            return false;
        seen[size_t(v)] = true;
    }
    return true;
}

} // namespace

QString columnLayoutSection(const AccountListView& list) {
    return containerName(list) + QLatin1Char('.') + list.objectName();
}

void SaveColumnLayout(AccountListView& list, KW_ini& ini) {
    const auto& columns = list.listModel().columns();
    const int n = int(columns.size());
    if (n == 0)
        return;
    const QHeaderView* header = list.horizontalHeader();
    const QString section = columnLayoutSection(list);
    ini.write({}, section, QStringLiteral("ColumnsCount"), QString::number(n));
    ini.write({}, section, QStringLiteral("ContainerName"), containerName(list));
    ini.write({}, section, QStringLiteral("Name"), list.objectName());
    for (int i = 0; i < n; ++i) {
        const ListColumn& column = columns[size_t(i)];
        const QString own = columnSection(section, i);
        ini.write({}, own, QStringLiteral("Key"), column.key);
        ini.write({}, own, QStringLiteral("Text"), column.text);
        ini.write({}, own, QStringLiteral("Alignment"), QString::number(column.alignment));
        // Element i of the display-order array: the column shown at place i, not the place of column i.
        ini.write({}, own, QStringLiteral("Position"), QString::number(header->logicalIndex(i)));
        ini.write({}, own, QStringLiteral("Width"), QString::number(widthInTwips(list, i)));
    }
}

void LoadColumnLayout(AccountListView& list, KW_ini& ini) {
    AccountListModel& model = list.listModel();
    const int n = model.columnCount();
    if (n == 0)
        return;
    const QString section = columnLayoutSection(list);
    if (leadingNumber(ini.read({}, section, QStringLiteral("ColumnsCount"))) != n)
        return;
    if (ini.read({}, section, QStringLiteral("ContainerName")) != containerName(list))
        return;
    if (ini.read({}, section, QStringLiteral("Name")) != list.objectName())
        return;

    QHeaderView* header = list.horizontalHeader();
    const int maxPixels = header->maximumSectionSize();
    std::vector<int> order(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const QString own = columnSection(section, i);
        // Key and Text are not applied: the headers keep the current language's texts.
        const int alignment =
            toInt32(leadingNumber(ini.read({}, own, QStringLiteral("Alignment")))).value_or(0);
        order[size_t(i)] = toInt16(leadingNumber(ini.read({}, own, QStringLiteral("Position")))).value_or(0);
        // A hand-edited width can be anything: keep it between nothing and the widest section.
        double twips = double(float(leadingNumber(ini.read({}, own, QStringLiteral("Width")))));
        if (!std::isfinite(twips) || twips < 0)
            twips = 0;
        twips = std::min(twips, maxPixels * TwipsPerPixel);

        model.column(i).widthTwips = twips;
        model.setColumnAlignment(i, alignment);
        header->resizeSection(i, qRound(twips / TwipsPerPixel));
    }

    // An order that is not a rearrangement of the columns would show one twice and lose another.
    if (!isPermutation(order))
        return;
    for (int place = 0; place < n; ++place) {
        const int from = header->visualIndex(order[size_t(place)]);
        if (from != place)
            header->moveSection(from, place);
    }
}
