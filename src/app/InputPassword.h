#pragma once

#include <QDialog>

#include <array>
#include <functional>

class GeneratorButton;
class MainApi;
class VaultEngine;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class StrengthBar;

// The master password dialog: unlocks an existing password file or creates a new one, then
// refreshes the main window itself.
class InputPassword : public QDialog {
    Q_OBJECT
public:
    InputPassword(MainApi& main, QWidget* owner);
    ~InputPassword() override;

    void set_QXFile(const QString& QX_File, bool New_QXFile);
    void StartUI();

    QString QXFile() const { return qxFile_; }
    bool NewFile() const { return newFile_; }
    bool hasFirstEntry() const { return !firstEntry_.isEmpty(); }
    // True while the master password's key is being derived (the file opened or created).
    bool isWorking() const { return working_; }
    int visiblePicture() const { return shownPicture_; } // -1 when none shows
    int visibleSlot() const;

    void Command_OK_Click();
    void Command_Cancel_Click();
    void Command_Mask_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fail(const QString& message);
    void succeed();
    void runInBackground(std::function<bool(VaultEngine&)> work, std::function<void(bool)> done);
    void shufflePictures();
    void Text_LogIn_Change();

    MainApi& main_;
    QString qxFile_;
    bool newFile_ = false;
    QString firstEntry_; // wiped when it is no longer needed
    bool working_ = false;
    QLineEdit* Text_LogIn;
    QPushButton* Command_OK;
    QPushButton* Command_Cancel;
    QToolButton* Command_Mask;
    GeneratorButton* Command_GeneneratePassword;
    StrengthBar* ARProgressBar_password;
    std::array<QLabel*, 6> Image_confusion{};
    int shownPicture_ = -1;
};
