#include "ExplorerBar.h"

#include <QEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* kStyle = R"(
QWidget#ExplorerBarContent { background: #e9eff8; }
QFrame#ExplorerGroup { background: #ffffff; border: 1px solid #c5d3e8; border-radius: 6px; }
QPushButton#ExplorerItem {
    border: 1px solid transparent; border-radius: 4px; padding: 4px 6px;
    text-align: left; color: #1d4f91; background: transparent;
}
QPushButton#ExplorerItem:hover { background: #e1ecfb; border-color: #c7daf5; color: #0a3a7a; }
QPushButton#ExplorerItem:pressed { background: #c9dcf6; }
QPushButton#ExplorerItem:focus { border: 1px dotted #7aa0d6; }
)";

constexpr int kPictureSize = 32;

} // namespace

// The group's title strip: picture, title and a chevron; a click folds the group.
class ExplorerBar::GroupHeader final : public QWidget {
public:
    GroupHeader(QWidget* parent, std::function<void()> onClick)
        : QWidget(parent), onClick_(std::move(onClick)) {
        setObjectName(QStringLiteral("ExplorerGroupHeader"));
        setAttribute(Qt::WA_Hover);
        setCursor(Qt::PointingHandCursor);
        QFont f = font();
        f.setBold(true);
        setFont(f);
    }
    QString title;
    QPixmap picture;
    bool expanded = true;

    QSize sizeHint() const override {
        const int textHeight = fontMetrics().height() + 12;
        const int height = picture.isNull() ? textHeight : std::max(textHeight, kPictureSize + 8);
        return {fontMetrics().horizontalAdvance(title) + 60, height};
    }
    QSize minimumSizeHint() const override { return {40, sizeHint().height()}; }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::HoverEnter || e->type() == QEvent::HoverLeave)
            update();
        return QWidget::event(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick_)
            onClick_();
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath strip;
        const qreal radius = 5;
        // Rounded above, square below where the items start.
        strip.moveTo(r.left(), r.bottom());
        strip.lineTo(r.left(), r.top() + radius);
        strip.quadTo(r.topLeft(), QPointF(r.left() + radius, r.top()));
        strip.lineTo(r.right() - radius, r.top());
        strip.quadTo(r.topRight(), QPointF(r.right(), r.top() + radius));
        strip.lineTo(r.right(), r.bottom());
        strip.closeSubpath();
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        const bool hover = underMouse();
        fill.setColorAt(0, hover ? QColor(0xfb, 0xfd, 0xff) : QColor(0xf6, 0xf9, 0xfe));
        fill.setColorAt(1, hover ? QColor(0xd3, 0xe2, 0xf8) : QColor(0xdc, 0xe6, 0xf5));
        p.fillPath(strip, fill);

        int x = 10;
        if (!picture.isNull()) {
            p.drawPixmap(QPoint(8, (height() - kPictureSize) / 2), picture);
            x = 8 + kPictureSize + 8;
        }
        const int chevronWidth = 22;
        p.setPen(QColor(0x16, 0x36, 0x5f));
        p.setFont(font());
        const QRect textRect(x, 0, width() - x - chevronWidth, height());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                   fontMetrics().elidedText(title, Qt::ElideRight, textRect.width()));

        // Chevron: pointing down while open, right while folded.
        const QPointF c(width() - chevronWidth / 2.0 - 2, height() / 2.0);
        QPainterPath chevron;
        if (expanded) {
            chevron.moveTo(c + QPointF(-4, -2));
            chevron.lineTo(c + QPointF(0, 2));
            chevron.lineTo(c + QPointF(4, -2));
        } else {
            chevron.moveTo(c + QPointF(-2, -4));
            chevron.lineTo(c + QPointF(2, 0));
            chevron.lineTo(c + QPointF(-2, 4));
        }
        p.setPen(QPen(QColor(0x3a, 0x5f, 0x93), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(chevron);
    }

private:
    std::function<void()> onClick_;
};

ExplorerBar::ExplorerBar(QWidget* parent) : QScrollArea(parent), content_(new QWidget), layout_(nullptr) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content_->setObjectName(QStringLiteral("ExplorerBarContent"));
    layout_ = new QVBoxLayout(content_);
    layout_->setContentsMargins(8, 8, 8, 8);
    layout_->setSpacing(10);
    layout_->addStretch(1);
    setWidget(content_);
    setStyleSheet(QString::fromLatin1(kStyle));
}

ExplorerBar::~ExplorerBar() = default;

// As wide as its longest caption needs (captions differ from one language to the next), with room
// for the margins and the scroll bar, within bounds that leave the list most of the window. Taken
// from the captions themselves, which know their size at once, rather than from the layouts,
// which learn it only when their turn in the event loop comes.
QSize ExplorerBar::sizeHint() const {
    int widest = 0;
    for (const auto& g : groups_) {
        const QMargins body = g->bodyLayout->contentsMargins();
        int inner = g->header->sizeHint().width();
        for (const Item& i : g->items)
            inner = std::max(inner, i.button->sizeHint().width() + body.left() + body.right());
        const QMargins frame = g->frame->layout()->contentsMargins();
        widest = std::max(widest, inner + frame.left() + frame.right() +
                                      2 * qobject_cast<QFrame*>(g->frame)->frameWidth());
    }
    const QMargins outer = layout_->contentsMargins();
    const int content =
        widest + outer.left() + outer.right() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    return {std::clamp(content, 210, 280), QScrollArea::sizeHint().height()};
}

QSize ExplorerBar::minimumSizeHint() const {
    return {sizeHint().width(), QScrollArea::minimumSizeHint().height()};
}

void ExplorerBar::setRedraw(bool on) {
    setUpdatesEnabled(on);
    if (on)
        updateGeometry(); // the captions may need another width now
}

void ExplorerBar::clearGroups() {
    for (const auto& g : groups_)
        delete g->frame;
    groups_.clear();
}

ExplorerBar::Group* ExplorerBar::group(const QString& key) const {
    for (const auto& g : groups_) {
        if (g->key == key)
            return g.get();
    }
    return nullptr;
}

ExplorerBar::Item* ExplorerBar::item(const QString& groupKey, const QString& key) const {
    Group* g = group(groupKey);
    if (!g)
        return nullptr;
    for (Item& i : g->items) {
        if (i.key == key)
            return &i;
    }
    return nullptr;
}

void ExplorerBar::addGroup(const QString& key, const QString& title, const QString& toolTip,
                           const QPixmap& picture) {
    auto g = std::make_unique<Group>();
    g->key = key;
    auto* frame = new QFrame(content_);
    frame->setObjectName(QStringLiteral("ExplorerGroup"));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    Group* raw = g.get();
    g->header = new GroupHeader(frame, [this, raw] { setGroupExpanded(raw->key, !raw->header->expanded); });
    g->header->title = title;
    g->header->picture = picture;
    g->header->setToolTip(toolTip);
    g->body = new QWidget(frame);
    g->bodyLayout = new QVBoxLayout(g->body);
    g->bodyLayout->setContentsMargins(6, 5, 6, 6);
    g->bodyLayout->setSpacing(1);
    frameLayout->addWidget(g->header);
    frameLayout->addWidget(g->body);
    g->frame = frame;
    layout_->insertWidget(layout_->count() - 1, frame); // before the closing stretch
    groups_.push_back(std::move(g));
}

bool ExplorerBar::addItem(const QString& groupKey, const QString& key, const QString& caption, int iconIndex,
                          const QString& toolTip) {
    Group* g = group(groupKey);
    if (!g || item(groupKey, key))
        return false;
    auto* button = new QPushButton(caption, g->body);
    button->setObjectName(QStringLiteral("ExplorerItem"));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus); // a click leaves the focus (and the list's selection) where it was
    button->setToolTip(toolTip);
    button->setIconSize(QSize(16, 16));
    if (images_)
        button->setIcon(images_(iconIndex));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QPushButton::clicked, this, [this, groupKey, key] { emit itemClick(groupKey, key); });
    g->bodyLayout->addWidget(button);
    g->items.push_back({key, iconIndex, button});
    return true;
}

QStringList ExplorerBar::groupKeys() const {
    QStringList keys;
    for (const auto& g : groups_)
        keys.append(g->key);
    return keys;
}

QStringList ExplorerBar::itemKeys(const QString& groupKey) const {
    QStringList keys;
    if (const Group* g = group(groupKey)) {
        for (const Item& i : g->items)
            keys.append(i.key);
    }
    return keys;
}

QString ExplorerBar::groupTitle(const QString& key) const {
    const Group* g = group(key);
    return g ? g->header->title : QString();
}

void ExplorerBar::setGroupTitle(const QString& key, const QString& title) {
    if (Group* g = group(key)) {
        g->header->title = title;
        g->header->updateGeometry();
        g->header->update();
        updateGeometry();
    }
}

QString ExplorerBar::groupToolTip(const QString& key) const {
    const Group* g = group(key);
    return g ? g->header->toolTip() : QString();
}

void ExplorerBar::setGroupToolTip(const QString& key, const QString& toolTip) {
    if (Group* g = group(key))
        g->header->setToolTip(toolTip);
}

bool ExplorerBar::hasGroupPicture(const QString& key) const {
    const Group* g = group(key);
    return g && !g->header->picture.isNull();
}

bool ExplorerBar::isGroupExpanded(const QString& key) const {
    const Group* g = group(key);
    return g && g->header->expanded;
}

void ExplorerBar::setGroupExpanded(const QString& key, bool expanded) {
    if (Group* g = group(key)) {
        g->header->expanded = expanded;
        g->body->setVisible(expanded);
        g->header->update();
    }
}

QString ExplorerBar::itemCaption(const QString& groupKey, const QString& key) const {
    const Item* i = item(groupKey, key);
    return i ? i->button->text() : QString();
}

void ExplorerBar::setItemCaption(const QString& groupKey, const QString& key, const QString& caption) {
    if (Item* i = item(groupKey, key)) {
        i->button->setText(caption);
        updateGeometry(); // the bar may need another width
    }
}

QString ExplorerBar::itemToolTip(const QString& groupKey, const QString& key) const {
    const Item* i = item(groupKey, key);
    return i ? i->button->toolTip() : QString();
}

void ExplorerBar::setItemToolTip(const QString& groupKey, const QString& key, const QString& toolTip) {
    if (Item* i = item(groupKey, key))
        i->button->setToolTip(toolTip);
}

int ExplorerBar::itemIconIndex(const QString& groupKey, const QString& key) const {
    const Item* i = item(groupKey, key);
    return i ? i->iconIndex : -1;
}

QAbstractButton* ExplorerBar::itemButton(const QString& groupKey, const QString& key) const {
    const Item* i = item(groupKey, key);
    return i ? i->button : nullptr;
}
