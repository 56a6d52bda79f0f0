#include "AccountListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

AccountListView::AccountListView(QWidget* parent) : QTableView(parent), model_(this) {
    setModel(&model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setSortingEnabled(false); // the browser sorts on header clicks by its own rules

    QHeaderView* rows = verticalHeader();
    rows->hide();
    // Fixed row heights keep 100,000 rows cheap to lay out and scroll.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSortIndicatorShown(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The selection stays visible while another control has the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    // An empty result hides the list; its place stays blank instead of the layout closing up.
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
}

int AccountListView::rowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void AccountListView::mousePressEvent(QMouseEvent* event) {
    releaseEndsDoubleClick_ = false;
    pressedRow_ = indexAt(event->position().toPoint()).row();
    QTableView::mousePressEvent(event);
}

void AccountListView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    const int row = indexAt(event->position().toPoint()).row();
    const bool click = row >= 0 && row == pressedRow_ && !releaseEndsDoubleClick_;
    pressedRow_ = -1;
    releaseEndsDoubleClick_ = false;
    if (click)
        emit rowClicked(row);
    emit mouseUp(event->button(), event->globalPosition().toPoint());
}

void AccountListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    releaseEndsDoubleClick_ = true;
    const int row = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::LeftButton && row >= 0)
        emit rowDoubleClicked(row);
}

void AccountListView::keyPressEvent(QKeyEvent* event) {
    const QPersistentModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && (!before.isValid() || before.row() != after.row()))
        emit keyboardRowChanged(after.row());
}
