#pragma once

#include <QDialog>

class MainApi;
class QLineEdit;
class QPushButton;

// The find dialog: the accounts matching a text replace the main window's list. Made when it is
// shown, gone when it closes; the main window keeps it above itself and stays usable.
class Find final : public QDialog {
    Q_OBJECT
public:
    Find(MainApi& main, QWidget* owner);

    void StartSearch();
    void Command_Cancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainApi& main_;
    QLineEdit* Text_ToSearch;
    QPushButton* Command_OK;
    QPushButton* Command_Cancel;
};
