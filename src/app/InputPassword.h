#pragma once

#include <QDialog>

#include <array>

class GeneratorButton;
class MainApi;
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

    void set_QXFile(const QString& QX_File, bool New_QXFile);
    void StartUI();

    QString QXFile() const { return qxFile_; }
    bool NewFile() const { return newFile_; }
    bool hasFirstEntry() const { return !firstEntry_.isEmpty(); }
    int visiblePicture() const { return shownPicture_; } // -1 when none shows
    int visibleSlot() const;

    void Command_OK_Click();
    void Command_Cancel_Click();
    void Command_Mask_Click();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fail(const QString& message);
    void succeed(const QString& password);
    void shufflePictures();
    void Text_LogIn_Change();

    MainApi& main_;
    QString qxFile_;
    bool newFile_ = false;
    QString firstEntry_;
    QLineEdit* Text_LogIn;
    QPushButton* Command_OK;
    QPushButton* Command_Cancel;
    QToolButton* Command_Mask;
    GeneratorButton* Command_GeneneratePassword;
    StrengthBar* ARProgressBar_password;
    std::array<QLabel*, 6> Image_confusion{};
    int shownPicture_ = -1;
};
