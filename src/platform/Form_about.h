#pragma once

#include <QDialog>

class LinkOpener;
class QLabel;

// The about box: product, version, the maker's addresses as links. Non-modal, owned by the
// main window.
class Form_about : public QDialog {
    Q_OBJECT
public:
    Form_about(QWidget* owner, const QString& language, LinkOpener& links);
    void Labels_Click(int index);
    QLabel* label(int index) const;

private:
    LinkOpener& links_;
    QLabel* labels_[5] = {};
};
