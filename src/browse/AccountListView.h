#pragma once

#include "AccountListModel.h"

#include <QTableView>

// The account list control: a report view over AccountListModel with full-row, multiple
// selection, movable and clickable column headers, and the row and mouse events the browser
// reacts to.
class AccountListView final : public QTableView {
    Q_OBJECT
public:
    explicit AccountListView(QWidget* parent = nullptr);

    AccountListModel& listModel() { return model_; }
    const AccountListModel& listModel() const { return model_; }
    int rowHeight() const;

signals:
    void rowClicked(int row);       // a button released over the row it was pressed on
    void rowDoubleClicked(int row); // left button
    void keyboardRowChanged(int row);
    void mouseUp(Qt::MouseButton button, const QPoint& globalPos); // any release over the rows' area

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    AccountListModel model_;
    int pressedRow_ = -1;
    bool releaseEndsDoubleClick_ = false;
};
