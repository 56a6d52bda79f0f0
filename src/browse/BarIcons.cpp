#include "BarIcons.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {

const char* iconFile(int index) {
    switch (index) {
    case 0:
        return "bar_new";
    case 2:
        return "bar_delete";
    case 4:
        return "bar_edit";
    case 5:
        return "cat_banks";
    case 6:
        return "cat_services";
    case 7:
        return "cat_serials";
    case 8:
        return "cat_pins";
    case 10:
        return "cat_misc";
    case 11:
        return "cat_messengers";
    case 12:
        return "cat_mailboxes";
    case 13:
        return "cat_forums";
    case 14:
        return "cat_files";
    case 15:
        return "cat_dialup";
    case 16:
        return "cat_creditcards";
    case 17:
        return "cat_computerslogon";
    case 18:
        return "cat_websites";
    case 19:
        return "bar_exit";
    case 20:
        return "bar_find";
    default:
        return nullptr;
    }
}

// Rendered here rather than through an icon-engine plugin, which an installation may lack.
QPixmap render(const QString& resource, int size) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QString barIconResource(int index) {
    const char* name = iconFile(index);
    return name ? QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)) : QString();
}

QIcon barIcon(int index) {
    static QHash<int, QIcon> cache;
    const auto found = cache.constFind(index);
    if (found != cache.cend())
        return *found;
    QIcon icon;
    const QString resource = barIconResource(index);
    if (!resource.isEmpty()) {
        for (int size : {16, 24, 32}) {
            const QPixmap pixmap = render(resource, size);
            if (!pixmap.isNull())
                icon.addPixmap(pixmap);
        }
    }
    cache.insert(index, icon);
    return icon;
}

QPixmap barGroupPicture(int size) {
    return render(QStringLiteral(":/icons/bar_tasks.svg"), size);
}
