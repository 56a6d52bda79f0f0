#pragma once

#include <QDialog>

class QLabel;

// The about box: product, version, the maker's addresses as links. Non-modal, owned by the
// main window.
class Form_about : public QDialog {
    Q_OBJECT
public:
    Form_about(QWidget* owner, const QString& language);
    void Labels_Click(int index);
    QLabel* label(int index) const;

private:
    QLabel* labels_[5] = {};
};
